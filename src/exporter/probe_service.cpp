#include "exporter/probe_service.h"

#include <QStringList>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>

#include "cli/printer_metrics.h"
#include "exporter/probe_query.h"

namespace kestrova::exporter {

namespace asio = boost::asio;
using cli::PrometheusFamily;

namespace {

constexpr const char* kMetricsType = "text/plain; version=0.0.4; charset=utf-8";

// Why a probe failed, as its reason label: a fixed set, so that every series exists from start.
const char* const kReasons[] = {"refused", "timeout", "unresolved", "unknown_model", "not_read_cleanly", "failed"};

const char* ReasonOf(const cli::ReadReport& report) {
  if (!report.ok()) {
    const std::string& cause = report.failure->cause;
    for (const auto& [text, reason] : {std::pair{"connection refused", "refused"}, std::pair{"timed out", "timeout"},
                                       std::pair{"model name not recognised", "unknown_model"},
                                       std::pair{"host not found", "unresolved"}})
      if (cause.find(text) != std::string::npos) return reason;
    return "failed";
  }
  for (int step = 1; step <= kQueryCount; ++step)
    if (!report.state.integrity.isClean(step)) return "not_read_cleanly";
  return "";
}

// What a probe answers: the printer families, then success (with the reason of a failure) and
// its duration.
struct ProbeAnswer {
  std::string text;
  std::string reason;  // empty: success
};

ProbeAnswer AnswerOf(const cli::PrinterMetrics& printer, const std::string& reason, double seconds) {
  std::vector<PrometheusFamily> families = cli::PrinterFamilies({printer});
  cli::PrometheusLabels labels;
  if (!reason.empty()) labels.push_back({"reason", reason});
  families.push_back({"kestrova_probe_success", "gauge", "1 when the probe read the printer cleanly, 0 otherwise (reason says why).",
                      {{labels, reason.empty() ? "1" : "0"}}});
  families.push_back({"kestrova_probe_duration_seconds", "gauge", "Time the probe took, in seconds.",
                      {{{}, cli::SecondsValue(seconds)}}});
  return {cli::PrometheusText(families), reason};
}

struct Pending {
  Reply reply;
  Request request;
  asio::steady_timer deadline;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  bool answered = false;
  Pending(asio::io_context& io, Reply r, const Request& q) : reply(std::move(r)), request(q), deadline(io) {}
};

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

ProbeService::ProbeService(asio::io_context& io, ExporterOptions options) : io_(io), options_(std::move(options)) {
  for (const char* reason : kReasons) failures_[reason] = 0;
  for (int i = 0; i < options_.maxProbes; ++i) {
    auto thread = std::make_unique<LinkThread>();
    thread->begin();
    idle_.push_back(thread.get());
    threads_.push_back(std::move(thread));
  }
}

ProbeService::~ProbeService() {
  for (auto& t : threads_) t->stop(0);
  for (auto& t : threads_) t->wait();
}

void ProbeService::handle(const Request& request, Reply reply) {
  const std::string target(request.target());
  const auto question = target.find('?');
  const std::string path = target.substr(0, question);
  if (request.method() != http::verb::get && request.method() != http::verb::head) {
    reply(TextResponse(request, http::status::method_not_allowed, "only GET\n"));
  } else if (path == "/probe") {
    probe(request, question == std::string::npos ? "" : target.substr(question + 1), std::move(reply));
  } else if (path == "/metrics") {
    reply(TextResponse(request, http::status::ok, ownMetrics(), kMetricsType));
  } else if (path == "/-/healthy") {
    reply(TextResponse(request, http::status::ok, "Healthy.\n"));
  } else {
    reply(TextResponse(request, http::status::not_found, "not found; the paths are /probe, /metrics and /-/healthy\n"));
  }
}

void ProbeService::probe(const Request& request, const std::string& query, Reply reply) {
  ProbeParameters parameters;
  if (const std::string error = ParseProbeQuery(query, options_.profilesDir, parameters); !error.empty()) {
    reply(TextResponse(request, http::status::bad_request, error + "\n"));
    return;
  }
  if (idle_.empty()) {
    ++rejected_;
    reply(TextResponse(request, http::status::service_unavailable,
                       "too many probes in flight (--max-probes " + std::to_string(options_.maxProbes) + ")\n"));
    return;
  }
  ++probes_;
  LinkThread* thread = idle_.back();
  idle_.pop_back();
  auto pending = std::make_shared<Pending>(io_, std::move(reply), request);
  const auto header = request[ScrapeTimeoutHeader()];
  const double seconds = ProbeDeadlineSeconds(std::string_view(header.data(), header.size()));
  // The deadline answers "timeout" when the read has not ended by then; the read goes on to its
  // own bounded end, its thread busy until then, and its answer is dropped.
  pending->deadline.expires_after(std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds)));
  pending->deadline.async_wait([this, pending, link = parameters.link](boost::system::error_code ec) {
    if (ec || pending->answered) return;
    pending->answered = true;
    counted("timeout");
    cli::PrinterMetrics printer;
    printer.seconds = Since(pending->start);
    printer.labels.push_back({"link", link.label()});
    pending->reply(TextResponse(pending->request, http::status::ok, AnswerOf(printer, "timeout", printer.seconds).text, kMetricsType));
  });
  thread->postTask([this, thread, pending, parameters = std::move(parameters)]() -> Task<void> {
    static const ReplyTerminatedPacing fast;
    const auto start = std::chrono::steady_clock::now();
    auto read = cli::ReadJob(parameters.link, fast, {});
    const cli::ReadReport report = co_await std::move(read);
    const cli::PrinterMetrics printer = cli::CollectPrinterMetrics(report, Since(start), parameters.profile);
    ProbeAnswer answer = AnswerOf(printer, ReasonOf(report), Since(pending->start));
    asio::post(io_, [this, thread, pending, answer = std::move(answer)] {
      idle_.push_back(thread);
      if (pending->answered) return;
      pending->answered = true;
      pending->deadline.cancel();
      if (!answer.reason.empty()) counted(answer.reason);
      pending->reply(TextResponse(pending->request, http::status::ok, answer.text, kMetricsType));
    });
  });
}

void ProbeService::counted(const std::string& reason) { ++failures_[reason]; }

std::string ProbeService::ownMetrics() const {
  std::vector<PrometheusFamily> families = {
      {"kestrova_exporter_probes_total", "counter", "Probes started.", {{{}, std::to_string(probes_)}}},
      {"kestrova_exporter_probe_failures_total", "counter", "Probes that did not read the printer cleanly, by reason.", {}},
      {"kestrova_exporter_probes_rejected_total", "counter", "Probes refused because --max-probes were in flight.",
       {{{}, std::to_string(rejected_)}}},
      {"kestrova_exporter_probes_in_flight", "gauge", "Printer reads running now (a read past its deadline included).",
       {{{}, std::to_string(threads_.size() - idle_.size())}}},
  };
  for (const auto& [reason, count] : failures_) families[1].samples.push_back({{{"reason", reason}}, std::to_string(count)});
  return cli::PrometheusText(families);
}

}  // namespace kestrova::exporter
