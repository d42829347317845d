// kestrova-exporter: Prometheus scrapes it with a printer as parameter (/probe?target=...), the
// multi-target pattern; it reads that printer and never writes to one.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/signal_set.hpp>
#include <iostream>

#include "exporter/http_server.h"
#include "exporter/probe_service.h"

#ifndef KESTROVA_VERSION
#define KESTROVA_VERSION "unknown"
#endif

namespace asio = boost::asio;
using namespace kestrova::exporter;

namespace {

int Usage(const std::string& message) {
  std::cerr << "kestrova-exporter: " << message << "\n";
  return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);  // the option parser's application
  QCommandLineParser parser;
  parser.setApplicationDescription("Reads receipt printers for Prometheus: GET /probe?target=HOST[:PORT][&profile=NAME].");
  parser.addHelpOption();
  parser.addOptions({
      {"listen", "Address and port to listen on (default 127.0.0.1:9866).", "ADDR:PORT"},
      {"profiles", "Folder of the profiles NAME.json that profile=NAME compares with.", "DIR"},
      {"max-probes", "Printer reads at once; more are answered 503 (default 64).", "N"},
      {"version", "The version."},
  });
  parser.process(app);
  if (parser.isSet("version")) {
    std::cout << "kestrova-exporter " << KESTROVA_VERSION << "\n";
    return 0;
  }
  ExporterOptions options;
  if (parser.isSet("listen")) options.listen = parser.value("listen").toStdString();
  options.profilesDir = parser.value("profiles").toStdString();
  if (parser.isSet("max-probes")) {
    bool ok = false;
    options.maxProbes = parser.value("max-probes").toInt(&ok);
    if (!ok || options.maxProbes < 1 || options.maxProbes > 4096) return Usage("--max-probes: a number from 1 to 4096");
  }
  const auto colon = options.listen.rfind(':');
  boost::system::error_code ec;
  const auto address = asio::ip::make_address(options.listen.substr(0, colon == std::string::npos ? 0 : colon), ec);
  bool portOk = false;
  const int port = QString::fromStdString(options.listen.substr(colon + 1)).toInt(&portOk);
  if (colon == std::string::npos || ec || !portOk || port < 0 || port > 65535)
    return Usage("--listen " + options.listen + ": expected ADDR:PORT, an IP address and a port");

  asio::io_context io(1);
  ProbeService service(io, options);
  try {
    HttpServer server(io, {address, static_cast<unsigned short>(port)},
                      [&service](const Request& request, Reply reply) { service.handle(request, std::move(reply)); });
    const auto bound = server.localEndpoint();
    std::cout << "listening " << bound.address().to_string() << ":" << bound.port() << std::endl;
    asio::signal_set stopSignals(io, SIGINT, SIGTERM);
    stopSignals.async_wait([&io](boost::system::error_code, int) { io.stop(); });
    io.run();
  } catch (const boost::system::system_error& e) {
    std::cerr << "kestrova-exporter: --listen " << options.listen << ": " << e.code().message() << "\n";
    return 1;
  }
  return 0;
}
