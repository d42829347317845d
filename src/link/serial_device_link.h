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
// Create, use and destroy on the loop that owns it (see link_thread.h).
#include <termios.h>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <memory>
#include <optional>
#include <string>

#include "link/byte_link.h"
#include "link/com_port_map.h"
#include "link/pending_bytes.h"

namespace kestrova {

// An open, non-blocking serial port descriptor whose waits are made on the loop of the operation
// that waits: the descriptor is handed to that loop's reactor at the first wait (and again when
// a later operation runs on another loop). Used by both serial links.
class SerialPortDescriptor {
 public:
  SerialPortDescriptor() = default;
  ~SerialPortDescriptor();
  SerialPortDescriptor(const SerialPortDescriptor&) = delete;
  SerialPortDescriptor& operator=(const SerialPortDescriptor&) = delete;

  // Opens path for reading and writing without waiting (O_NONBLOCK, no controlling terminal) and
  // takes it for this opener alone: an advisory lock that keeps out a second opener of this
  // program, and TIOCEXCL that keeps out other programs (root excepted). errno of the failure,
  // 0 when open; EBUSY when someone holds the lock.
  int open(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

  // Reads what the system holds right now into pending, without waiting. 0, or the errno of the
  // read that failed (what came before it is kept).
  int readAvailable(PendingBytes& pending);
  // The line was hung up (a USB adapter unplugged, the other end of a pseudo-terminal closed):
  // reads give nothing from now on, writes fail. Never waits.
  bool hungUp() const;
  // Waits on the calling operation's loop up to timeoutMs until the port has input, or an error
  // that the next read reports. False at the deadline or when the port is closed.
  Task<bool> waitReadable(int timeoutMs);
  // Writes every byte, waiting on the loop for room up to timeoutMs in all. 0 when all went out;
  // ETIMEDOUT at the deadline; else the errno of the failed write.
  Task<int> writeAll(const Bytes& bytes, int timeoutMs);

  // Lets bytes still queued for the line leave for up to kDrainTimeoutMs before output is
  // dropped, without holding up the loop: the wait goes on in a task of its own on the loop that
  // last waited on this port, over a second handle to the port, so a close that follows does not
  // cut the tail off. Input is dropped at once.
  void discardKeepingOutput();
  // Drops both queues at once.
  void flushBoth();

  // Ends the exclusive use and closes the descriptor. Safe to call twice.
  void close();

 private:
  // Waits until the port is ready for `what`, at most timeoutMs. The descriptor is lent to the
  // calling operation's loop for the wait only, so that the port never outlives a loop that
  // still holds it (a link may be used by several loops in turn, and outlive them).
  Task<bool> waitFor(boost::asio::posix::stream_descriptor::wait_type what, int timeoutMs);

  int fd_ = -1;
  // The loop that last sent on this port: where a discard lets the output drain.
  std::optional<boost::asio::any_io_executor> sendLoop_;
};

class SerialDeviceLink : public ByteLink {
 public:
  // Opens path for reading and writing, exclusively (another opener gets Busy). Null with the
  // cause in error when it cannot be opened. Never waits.
  static std::unique_ptr<SerialDeviceLink> Open(const std::string& path, LinkError& error);
  ~SerialDeviceLink() override;

  SerialDeviceLink(const SerialDeviceLink&) = delete;
  SerialDeviceLink& operator=(const SerialDeviceLink&) = delete;

  ReplyStyle replyStyle() const override { return ReplyStyle::Block; }
  bool isOpen() const override { return port_.isOpen(); }
  // Block write: every byte, waiting for room up to kSendTimeoutMs.
  Task<bool> send(Bytes bytes) override;
  Bytes takeAvailable() override;
  // Block read: at most maxBytes, waiting up to timeoutMs for the first byte.
  Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) override;
  Task<Bytes> peek(int timeoutMs) override;
  // Drops the input at once; bytes already written leave first (see discardKeepingOutput).
  void discard() override;
  void close() override;
  LinkError lastError() const override { return lastError_; }

  const std::string& path() const { return path_; }

 private:
  explicit SerialDeviceLink(std::string path);
  // Reads what the system holds right now into pending_; false on a read failure.
  bool readAvailable();

  SerialPortDescriptor port_;
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
