#pragma once
// A serial port opened by its device name (COM5..COM20 for the read, every serial port for the
// switch write and the test prints): a block-style link over a POSIX descriptor.
//
// The line settings the system holds for the port (speed, parity, stop bits) are kept as they
// are: the user's choices in the window do not reach this path. What is changed is the line
// discipline: the port is switched to raw bytes (no echo, no CR/LF translation, no signal or
// XON/XOFF characters taken from the data, no canonical line editing, 8 data bits), because
// commands and replies hold 0x0D, 0x0A and control bytes that a terminal discipline would alter,
// swallow or wait on.
//
// Create, use and destroy on the link thread (see link_thread.h).
#include <termios.h>

#include <memory>
#include <string>

#include "link/byte_link.h"
#include "link/com_port_map.h"
#include "link/pending_bytes.h"

namespace kestrova {

class SerialDeviceLink : public ByteLink {
 public:
  // Opens path for reading and writing, exclusively (another opener gets Busy). Null with the
  // cause in error when it cannot be opened.
  static std::unique_ptr<SerialDeviceLink> Open(const std::string& path, LinkError& error);
  ~SerialDeviceLink() override;

  SerialDeviceLink(const SerialDeviceLink&) = delete;
  SerialDeviceLink& operator=(const SerialDeviceLink&) = delete;

  ReplyStyle replyStyle() const override { return ReplyStyle::Block; }
  bool isOpen() const override { return fd_ >= 0; }
  // Block write: every byte, waiting for room up to kSendTimeoutMs.
  bool send(const Bytes& bytes) override;
  Bytes takeAvailable() override;
  // Block read: at most maxBytes, waiting up to timeoutMs for the first byte.
  Bytes receive(std::size_t maxBytes, int timeoutMs) override;
  Bytes peek(int timeoutMs) override;
  // Drops what is queued in both directions (tcflush).
  void discard() override;
  void close() override;
  LinkError lastError() const override { return lastError_; }

  const std::string& path() const { return path_; }

 private:
  SerialDeviceLink(int fd, std::string path);
  // Reads what the system holds right now into pending_; false on a read failure.
  bool readAvailable();
  // Waits up to timeoutMs for input; true when readable.
  bool waitReadable(int timeoutMs);

  int fd_ = -1;
  std::string path_;
  PendingBytes pending_;
  LinkError lastError_;
};

// Raw bytes as cfmakeraw makes them (no echo, no CR/LF translation, no signal or XON/XOFF
// characters taken out of the data, 8 data bits), but with the held speed, parity, parity
// checking and stop bits left alone.
void MakeRawKeepingLine(termios& tio);

// COMn opened by device name through the map (a read, write or test print on COM5 to COM20).
std::unique_ptr<SerialDeviceLink> OpenComDevice(int comNumber, LinkError& error,
                                                const ComPortMap& map = ComPortMap::instance());

}  // namespace kestrova
