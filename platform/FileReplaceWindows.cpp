#include "platform/FileReplace.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

// windows.h names its own ReplaceFile (ReplaceFileW); ours is the one declared above.
#undef ReplaceFile

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "platform/WindowsApi.h"

namespace kestrine::platform {
namespace {

bool Fail(std::error_code* reason) {
  if (reason != nullptr) *reason = windows::LastError();
  return false;
}

// The user this process runs as (its token's user), or nothing.
std::vector<unsigned char> CurrentUser() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> user(std::max<DWORD>(size, sizeof(TOKEN_USER)));
  if (!::GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
  const DWORD error = ::GetLastError();
  ::CloseHandle(token);
  ::SetLastError(error);
  return user;
}

PSID SidOf(std::vector<unsigned char>& user) {
  return user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
}

// A security descriptor with one entry, all access for the user this process runs as,
// protected from what the folder would hand down: nobody else may even read the file.
class OwnerOnlySecurity final {
 public:
  OwnerOnlySecurity() {
    std::vector<unsigned char> user = CurrentUser();
    wchar_t* sid = nullptr;
    if (SidOf(user) == nullptr || !::ConvertSidToStringSidW(SidOf(user), &sid)) return;
    const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
    ::LocalFree(sid);
    ::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor_, nullptr);
  }
  ~OwnerOnlySecurity() {
    if (descriptor_ != nullptr) ::LocalFree(descriptor_);
  }
  OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
  OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

  [[nodiscard]] bool IsReady() const { return descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES* Attributes() {
    attributes_ = SECURITY_ATTRIBUTES{sizeof attributes_, descriptor_, FALSE};
    return &attributes_;
  }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

// A file of our own beside the target, never one that is there already.
HANDLE CreateTemporary(const std::filesystem::path& path, SECURITY_ATTRIBUTES* security, std::wstring& name) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = path.native() + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
    HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace

bool ReplaceFile(const std::filesystem::path& path, std::string_view bytes, FileAccess access,
                 std::error_code* reason) {
  OwnerOnlySecurity ownerOnly;
  if (access == FileAccess::OwnerOnly && !ownerOnly.IsReady()) return Fail(reason);
  std::wstring temporary;
  HANDLE file = CreateTemporary(path, access == FileAccess::OwnerOnly ? ownerOnly.Attributes() : nullptr, temporary);
  if (file == INVALID_HANDLE_VALUE) return Fail(reason);
  // On the disk before the rename, so the name never points at a file that is not all there.
  bool ok = WriteAll(file, bytes) && ::FlushFileBuffers(file);
  DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  if (!::CloseHandle(file) && ok) {
    ok = false;
    error = ::GetLastError();
  }
  if (ok && !::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = ::GetLastError();
  }
  if (!ok) {
    ::DeleteFileW(temporary.c_str());
    ::SetLastError(error);
    return Fail(reason);
  }
  return true;
}

WriteThroughResult WriteThrough(const std::filesystem::path& path, std::string_view bytes, std::error_code* reason) {
  // Truncated only once open, and never a console or another device a name may lead to.
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Fail(reason);
    return WriteThroughResult::Failed;
  }
  bool ok = (::GetFileType(file) != FILE_TYPE_DISK || ::SetEndOfFile(file)) && WriteAll(file, bytes);
  DWORD error = ok ? ERROR_SUCCESS : ::GetLastError();
  if (!::CloseHandle(file) && ok) {
    ok = false;
    error = ::GetLastError();
  }
  if (ok) return WriteThroughResult::Written;
  ::SetLastError(error);
  Fail(reason);
  return WriteThroughResult::Failed;
}

bool IsOwnerOnly(const std::filesystem::path& path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  std::vector<unsigned char> user = CurrentUser();
  void* ace = nullptr;
  const bool ownerOnly = dacl != nullptr && SidOf(user) != nullptr &&
                         ::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                         (control & SE_DACL_PROTECTED) != 0 && dacl->AceCount == 1 && ::GetAce(dacl, 0, &ace) &&
                         static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE &&
                         ::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, SidOf(user));
  ::LocalFree(descriptor);
  return ownerOnly;
}

}  // namespace kestrine::platform
