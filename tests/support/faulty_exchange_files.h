#pragma once
// An exchange file system in memory that misbehaves on request, one access at
// a time: the open fails, the read or write fails, fewer bytes are moved than
// asked for, or the caller cuts or grows the file between the open and the
// transfer. Every transfer is recorded with the file's bytes just before and
// just after it, so a test can tell what the program itself changed.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "exchange/exchange_file.h"

namespace paperchk::fakes {

class FaultyExchangeFileSystem final : public ExchangeFileSystem {
 public:
  using Bytes = std::vector<std::uint8_t>;

  // What goes wrong in one access (one open and the transfer that follows).
  struct Fault {
    bool openFails = false;
    bool transferFails = false;      // ReadFile or WriteFile reports failure
    bool limitCount = false;         // a short read or write ...
    std::size_t countLimit = 0;      // ... of at most this many bytes
    bool resizeAfterOpen = false;    // the caller cuts or grows the file ...
    std::size_t sizeAfterOpen = 0;   // ... to this size after the open,
    std::uint8_t growFill = 0;       // filling grown bytes with this value
  };

  // One read or write the program made.
  struct Transfer {
    bool isWrite = false;
    std::size_t requested = 0;
    std::size_t moved = 0;       // the count reported back
    bool succeeded = false;
    Bytes before;                // the file right before the transfer
    Bytes after;                 // and right after it
  };

  // The next access that has no fault of its own yet gets this one.
  void QueueFault(const Fault& fault) { faults_.push_back(fault); }
  std::size_t PendingFaults() const { return faults_.size(); }

  std::unique_ptr<OpenExchangeFile> OpenAlways(const char* path) override { return Open(path, true); }
  std::unique_ptr<OpenExchangeFile> OpenExisting(const char* path) override { return Open(path, false); }

  std::map<std::string, Bytes> files;
  std::vector<Transfer> transfers;
  int openCount = 0;
  int openFiles = 0;  // handles currently open

 private:
  class File final : public OpenExchangeFile {
   public:
    File(FaultyExchangeFileSystem& owner, Bytes& bytes, const Fault& fault)
        : owner_(owner), bytes_(bytes), fault_(fault) {
      ++owner_.openFiles;
    }
    ~File() override { --owner_.openFiles; }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool ReadAtStart(std::uint8_t* buffer, std::size_t size, std::size_t& bytesRead) override {
      Transfer& transfer = Begin(false, size);
      bytesRead = 0;
      if (!fault_.transferFails) {
        bytesRead = Limited(size < bytes_.size() ? size : bytes_.size());
        for (std::size_t i = 0; i < bytesRead; ++i) buffer[i] = bytes_[i];
      }
      return End(transfer, bytesRead);
    }

    bool WriteAtStart(const std::uint8_t* data, std::size_t size, std::size_t& bytesWritten) override {
      Transfer& transfer = Begin(true, size);
      bytesWritten = 0;
      if (!fault_.transferFails) {
        bytesWritten = Limited(size);
        // Writing at the start never shortens the file.
        if (bytes_.size() < bytesWritten) bytes_.resize(bytesWritten);
        for (std::size_t i = 0; i < bytesWritten; ++i) bytes_[i] = data[i];
      }
      return End(transfer, bytesWritten);
    }

   private:
    std::size_t Limited(std::size_t count) const {
      return fault_.limitCount && fault_.countLimit < count ? fault_.countLimit : count;
    }

    Transfer& Begin(bool isWrite, std::size_t requested) {
      Transfer transfer;
      transfer.isWrite = isWrite;
      transfer.requested = requested;
      transfer.before = bytes_;
      owner_.transfers.push_back(std::move(transfer));
      return owner_.transfers.back();
    }

    bool End(Transfer& transfer, std::size_t moved) {
      transfer.moved = moved;
      transfer.succeeded = !fault_.transferFails;
      transfer.after = bytes_;
      return transfer.succeeded;
    }

    FaultyExchangeFileSystem& owner_;
    Bytes& bytes_;
    Fault fault_;
  };

  std::unique_ptr<OpenExchangeFile> Open(const char* path, bool create) {
    ++openCount;
    Fault fault;
    if (!faults_.empty()) {
      fault = faults_.front();
      faults_.pop_front();
    }
    // An empty path names no file, as on the platform.
    if (path == nullptr || path[0] == '\0' || fault.openFails) return nullptr;
    if (!create && files.count(path) == 0) return nullptr;
    Bytes& bytes = files[path];  // open always: created when missing, kept when present
    if (fault.resizeAfterOpen) bytes.resize(fault.sizeAfterOpen, fault.growFill);
    return std::make_unique<File>(*this, bytes, fault);
  }

  std::deque<Fault> faults_;
};

}  // namespace paperchk::fakes
