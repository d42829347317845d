#pragma once
// COM1..COM4 through the serial component: the user's baud rate, parity and software
// handshaking, no hardware flow control with RTS held on. A reply is taken with takeAvailable():
// everything that has arrived so far, without waiting.
//
// Create, use and destroy on the loop that owns it (see link_thread.h). Opening never waits; the
// waits of send, receive and peek are made on the loop of the operation that calls them.
#include <string>

#include "link/byte_link.h"
#include "link/com_port_map.h"
#include "link/link_selection.h"
#include "link/pending_bytes.h"
#include "link/serial_device_link.h"

namespace kestrova {

class SerialComponentLink : public ByteLink {
 public:
  explicit SerialComponentLink(const ComPortMap& map = ComPortMap::instance());
  ~SerialComponentLink() override;

  SerialComponentLink(const SerialComponentLink&) = delete;
  SerialComponentLink& operator=(const SerialComponentLink&) = delete;

  // CommPort, 0-based: COMn is n - 1 (n from 1 to 4). Takes effect at the next open.
  void setCommPort(int index);
  int commPort() const { return commPort_; }

  // Line settings; applied at once when the port is open, else at the next open.
  void setSettings(const SerialSettings& settings);
  void setBaudRate(int rate);
  void setHandshaking(Handshaking handshaking);
  void setParity(Parity parity);
  const SerialSettings& settings() const { return settings_; }

  // Probe the port through the system (exists, may be opened, is not held by another program)
  // and, when that succeeds and the port is not open yet, open it with the settings. A port
  // left open by an earlier operation is used as it is. True when the port is open afterwards;
  // otherwise lastError() holds the cause. Never waits.
  bool probeAndOpen();

  // The path the current CommPort resolves to.
  std::string devicePath() const;

  ReplyStyle replyStyle() const override { return ReplyStyle::Stream; }
  bool isOpen() const override;
  // OutputByte: every byte, waiting up to kSendTimeoutMs for them to leave.
  Task<bool> send(Bytes bytes) override;
  // ReadInputByte: every byte received and not yet taken (including bytes still in the
  // system's buffer), possibly none, without waiting.
  Bytes takeAvailable() override;
  Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) override;
  Task<Bytes> peek(int timeoutMs) override;
  // Drops both directions at once.
  void discard() override;
  // Closes the port; the port keeps the line settings it was used with.
  void close() override;
  LinkError lastError() const override { return lastError_; }

  // The codes of the link error events this link raises.
  // A read from the port failed.
  static constexpr int kReadErrorEvent = 5;
  // The port went away under the link: unplugged, hung up, the other end of a pseudo-terminal
  // closed. Raised by a read, or by a write, that finds it gone.
  static constexpr int kResourceErrorEvent = 6;

 private:
  // Puts the line settings on the open port; false with the cause when the port refuses them.
  bool applySettings(LinkError& cause);
  // A read or write that failed with errno err: the cause kept for lastError(), and the error
  // event for a failed read or a port gone.
  void onPortError(int err, bool reading);
  void pullFromPort();

  const ComPortMap& map_;
  SerialPortDescriptor port_;
  int commPort_ = 0;
  std::string openedPath_;  // the path of the port as it was opened
  SerialSettings settings_;
  PendingBytes pending_;
  LinkError lastError_;
};

}  // namespace kestrova
