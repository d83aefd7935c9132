#pragma once

namespace kestrine::net {

// How an operation on one encoder ended.
enum class OperationResult { Success, Failure, Unreachable };

// The program's integer convention (1 success, 0 failure, -1 unreachable), for
// the few callers that hand a result on as a number.
int ToResultCode(OperationResult result);

}  // namespace kestrine::net
