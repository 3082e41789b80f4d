#pragma once
#include <windows.h>

#include "exchange/completion_watch.h"

namespace paperchk::win {

// The platform's change notification for writes and size changes in one
// folder (not its subfolders). Without a folder, or where the folder cannot
// be watched, it holds no handle.
class FolderChangeNotification final : public FolderWatch {
 public:
  explicit FolderChangeNotification(const char* folder)
      : handle_(folder ? FindFirstChangeNotificationA(folder, FALSE,
                                                      FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE)
                       : INVALID_HANDLE_VALUE) {}
  ~FolderChangeNotification() override {
    if (ok()) FindCloseChangeNotification(handle_);
  }
  FolderChangeNotification(const FolderChangeNotification&) = delete;
  FolderChangeNotification& operator=(const FolderChangeNotification&) = delete;

  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE handle() const { return handle_; }
  bool Rearm() override { return FindNextChangeNotification(handle_) != FALSE; }

 private:
  HANDLE handle_;
};

}  // namespace paperchk::win
