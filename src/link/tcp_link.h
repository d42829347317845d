#pragma once
// The TCP/IP link: one connection to the printer's address and port, made by the first read or
// write and kept until the window closes. One receive returns at most the given number of bytes;
// the rest stays for the next receive.
//
// Create, use and destroy on the link thread (see link_thread.h): the socket inside belongs to
// the thread that created it.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "link/byte_link.h"
#include "link/link_limits.h"
#include "link/link_selection.h"

class QTcpSocket;
class QThread;

namespace kestrova {


// The operating system's error number (errno) behind a QAbstractSocket::SocketError; EIO when none
// fits. Error events and LinkError carry this number, not Qt's enumeration.
int SocketErrorNumber(int socketError);

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
  // The connection is established.
  bool isConnected() const;

  // Prepare (read button): when the client is not both active and connected, take over the
  // host text and the port text (formed with PortText) as remote host and port. A client that
  // is active and connected is left untouched. Returns whether host and port were set.
  bool prepare(const std::string& hostText, std::string_view portField);

  // Connect (read): a blocking connect to RemoteHost:RemotePort, bounded by timeoutMs. An
  // existing connection is kept as it is. True when connected afterwards.
  bool connectToPrinter(int timeoutMs = kConnectTimeoutMs);

  // Connect for a write or a test print: when the client is not both active and connected,
  // make it active, set remote host and port, and connect. True when connected afterwards.
  bool connectForWrite(const std::string& hostText, std::string_view portField,
                       int timeoutMs = kConnectTimeoutMs);

  ReplyStyle replyStyle() const override { return ReplyStyle::Bounded; }
  bool isOpen() const override { return isConnected(); }
  // SendBuf: every byte, waiting up to kSendTimeoutMs for them to leave.
  bool send(const Bytes& bytes) override;
  Bytes takeAvailable() override;
  // At most maxBytes: what is buffered at once, else waits up to timeoutMs for data.
  Bytes receive(std::size_t maxBytes, int timeoutMs) override;
  Bytes peek(int timeoutMs) override;
  // Drops what has arrived and not been taken (nothing can be unsent on a stream).
  void discard() override;
  // Closes the connection (window close).
  void close() override;
  LinkError lastError() const override { return lastError_; }

  QThread* ownerThread() const;

 private:
  void onSocketError(int code);
  std::string target() const { return remoteHost_ + ":" + remotePort_; }

  std::unique_ptr<QTcpSocket> socket_;
  std::string remoteHost_;
  std::string remotePort_;
  bool active_ = false;
  bool connecting_ = false;
  std::size_t peeked_ = 0;
  LinkError lastError_;
};

}  // namespace kestrova
