#pragma once
// The TCP/IP link: one connection to the printer's address and port, made by the first read or
// write and kept until the window closes. One receive returns at most the given number of bytes;
// the rest stays for the next receive.
//
// Used by one loop at a time (see link_thread.h). The link holds the connection's descriptor and
// no object of any loop: each operation that waits has the descriptor watched by the loop it runs
// on, for that wait only. So the link may outlive the loop it connected on (a loop of RunToEnd),
// and the next operation may run on another.
#include <string>
#include <string_view>

#include "link/byte_link.h"
#include "link/link_limits.h"
#include "link/link_selection.h"
#include "link/pending_bytes.h"

namespace kestrova {

class TcpLink : public ByteLink {
 public:
  TcpLink();
  ~TcpLink() override;

  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;

  // RemoteHost / RemotePort as the client holds them.
  void setRemoteHost(std::string host) { remoteHost_ = std::move(host); }
  void setRemotePort(std::string port) { remotePort_ = std::move(port); }
  const std::string& remoteHost() const { return remoteHost_; }
  const std::string& remotePort() const { return remotePort_; }

  // Active: the client has been put to use (and not closed since).
  void setActive(bool active);
  bool isActive() const { return active_; }
  // The connection is established (and the peer has not been seen to close it).
  bool isConnected() const;

  // Prepare (read button): when the client is not both active and connected, take over the
  // host text and the port text (formed with PortText) as remote host and port. A client that
  // is active and connected is left untouched. Returns whether host and port were set.
  bool prepare(const std::string& hostText, std::string_view portField);

  // Connect (read): a connect to RemoteHost:RemotePort on the calling operation's loop, bounded by
  // timeoutMs. An existing connection is kept as it is. True when connected afterwards.
  Task<bool> connectToPrinter(int timeoutMs = kConnectTimeoutMs);

  // Connect for a write or a test print: when the client is not both active and connected,
  // make it active, set remote host and port, and connect. True when connected afterwards.
  Task<bool> connectForWrite(std::string hostText, std::string portField, int timeoutMs = kConnectTimeoutMs);

  ReplyStyle replyStyle() const override { return ReplyStyle::Bounded; }
  bool isOpen() const override { return isConnected(); }
  // SendBuf: every byte, waiting up to kSendTimeoutMs for them to leave.
  Task<bool> send(Bytes bytes) override;
  Bytes takeAvailable() override;
  // At most maxBytes: what is buffered at once, else waits up to timeoutMs for data.
  Task<Bytes> receive(std::size_t maxBytes, int timeoutMs) override;
  Task<Bytes> peek(int timeoutMs) override;
  // Drops what has arrived and not been taken (nothing can be unsent on a stream).
  void discard() override;
  // Closes the connection (window close).
  void close() override;
  LinkError lastError() const override { return lastError_; }

 private:
  // Moves whatever the socket holds right now into pending_, without waiting. The peer closing
  // the connection, or an error on it, is an error event and ends the connection.
  void pull();
  // The connection broke (seen while reading or sending; errno `err`): error event, socket
  // closed. Bytes received before stay to be taken.
  void broken(int err);
  void closeSocket();
  std::string target() const { return remoteHost_ + ":" + remotePort_; }

  int socket_ = -1;  // the connected socket's descriptor, -1 when not connected
  PendingBytes pending_;
  std::string remoteHost_;
  std::string remotePort_;
  bool active_ = false;
  LinkError lastError_;
};

}  // namespace kestrova
