#include "net/OperationResult.h"

namespace kestrine::net {

int ToResultCode(OperationResult result) {
  switch (result) {
    case OperationResult::Success:
      return 1;
    case OperationResult::Unreachable:
      return -1;
    case OperationResult::Failure:
      break;
  }
  return 0;
}

}  // namespace kestrine::net
