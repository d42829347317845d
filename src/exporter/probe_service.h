#pragma once
// What the exporter answers: /probe reads one printer (as `kestrova-swctl metrics --fast` does,
// through the same read job) and answers its metric families with the probe's own; /metrics the
// exporter's counters; /-/healthy. A read runs as a coroutine on one of a pool of link threads
// (at most maxProbes at once, more are answered 503) and its answer is posted back to the
// io_context; the scrape's deadline is kept on the io_context by a timer.
#include <boost/asio/io_context.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "exporter/http_server.h"
#include "link/link_thread.h"

namespace kestrova::exporter {

struct ExporterOptions {
  std::string listen = "127.0.0.1:9866";
  std::string profilesDir;  // empty: profile= is refused
  int maxProbes = 64;
};

// The deadline of a probe without X-Prometheus-Scrape-Timeout-Seconds, and what is kept back
// from the one the header gives (for the answer to travel).
constexpr double kDefaultProbeSeconds = 10.0;
constexpr double kDeadlineOffsetSeconds = 0.5;

class ProbeService {
 public:
  ProbeService(boost::asio::io_context& io, ExporterOptions options);
  ~ProbeService();

  void handle(const Request& request, Reply reply);

 private:
  void probe(const Request& request, const std::string& query, Reply reply);
  std::string ownMetrics() const;
  void counted(const std::string& reason);

  boost::asio::io_context& io_;
  ExporterOptions options_;
  std::vector<std::unique_ptr<LinkThread>> threads_;
  std::vector<LinkThread*> idle_;  // touched on the io_context's thread only
  // Counters, touched on the io_context's thread only.
  unsigned long long probes_ = 0;
  unsigned long long rejected_ = 0;
  std::map<std::string, unsigned long long> failures_;
};

}  // namespace kestrova::exporter
