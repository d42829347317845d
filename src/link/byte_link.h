#pragma once
// The one interface through which the protocol talks to a printer, whatever carries the bytes.
//
// A link tells the protocol one thing about itself, its ReplyStyle: how replies are taken from it,
// and with that how a write over it is framed. The protocol never asks which transport it is.
//
// A link is used only by the loop that owns it (the link thread's, or a fleet's). Every call that
// waits is a coroutine on that loop with an explicit bound; the others never wait.
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>

#include "link/task.h"

namespace kestrova {

// Raw bytes on the wire (std::string as a byte container: may hold 0x00).
using Bytes = std::string;

enum class ReplyStyle {
  // Everything that has arrived is taken after the pause (takeAvailable); a write goes out as one
  // frame and the link serves that one operation. The serial component (COM1..COM4).
  Stream,
  // One receive of at most n bytes per query; a write sends SW4 and SW1 in frames of their own and
  // may connect again between frames; the link stays open. TCP/IP.
  Bounded,
  // Block writes and block reads of at most 64 bytes, a reply valid only from 0x5F; a switch value
  // goes as a header and a block of its own. The device handle (USB, COM5..COM20).
  Block,
};

// Why a link could not be opened or used, kept so the user can be told how to fix it.
struct LinkError {
  enum class Kind { None, PermissionDenied, Busy, Absent, Refused, TimedOut, NoDevice, Closed, Io };
  Kind kind = Kind::None;
  int osError = 0;        // errno / socket error / libusb error where known
  std::string target;     // "/dev/ttyUSB0", "127.0.0.1:9100", "USB"
  std::string message;    // the operating system's or library's own words

  bool ok() const { return kind == Kind::None; }
};

// Text for the user: "/dev/ttyUSB0: permission denied; add your user to the dialout group".
std::string DescribeLinkError(const LinkError& error);

// Upper bound of any single receive or transfer that waits for data. Replies are expected within
// the protocol's 200 ms pause; nothing ever waits for ever.
constexpr int kReceiveTimeoutMs = 300;

class ByteLink {
 public:
  virtual ~ByteLink() = default;

  virtual ReplyStyle replyStyle() const = 0;
  virtual bool isOpen() const = 0;

  // Sends exactly these bytes as one unit. True only when every byte went out.
  virtual Task<bool> send(Bytes bytes) = 0;

  // Everything received and not yet taken, without waiting (possibly nothing).
  virtual Bytes takeAvailable() = 0;

  // One receive of at most maxBytes: returns what is buffered at once, else waits up to
  // timeoutMs for data to arrive and returns what came (possibly nothing). Never more than
  // maxBytes; the rest stays for the next call.
  virtual Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) = 0;

  // A copy of what is buffered and not yet taken, without consuming it; waits up to timeoutMs
  // for more when nothing new has arrived since the last peek. Used by reply-terminated pacing.
  virtual Task<Bytes> peek(int timeoutMs) = 0;

  // Drops everything pending in both directions (no effect on USB).
  virtual void discard() = 0;

  virtual void close() = 0;

  // The cause of the last failure (open, send or receive).
  virtual LinkError lastError() const = 0;

  // Link error event (socket error, serial receive error): called with the error code on the
  // link's loop. The window traces it and sets its link-error flag.
  // May be installed from any thread; the handler itself always runs on the link's loop, so a
  // handler that touches the window must hand the work over to the window's thread.
  void setErrorHandler(std::function<void(int code)> handler) {
    std::lock_guard<std::mutex> lock(errorHandlerMutex_);
    errorHandler_ = std::move(handler);
  }

 protected:
  void raiseError(int code) {
    std::function<void(int)> handler;
    {
      std::lock_guard<std::mutex> lock(errorHandlerMutex_);
      handler = errorHandler_;
    }
    // Called outside the lock, so that a handler may install another handler.
    if (handler) handler(code);
  }

 private:
  mutable std::mutex errorHandlerMutex_;
  std::function<void(int)> errorHandler_;
};

}  // namespace kestrova
