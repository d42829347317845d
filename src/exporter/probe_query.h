#pragma once
// The parameters of GET /probe?target=HOST[:PORT][&profile=NAME] and the probe's deadline. The
// target is checked as `kestrova-swctl --tcp` checks it (the same parser), and the profile is
// NAME.json of the profiles folder, read as `--from` reads it; NAME is a plain file name.
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli_request.h"

namespace kestrova::exporter {

struct ProbeParameters {
  cli::LinkTarget link;
  std::optional<cli::SavedConfiguration> profile;
};

// Empty on success; otherwise the text of the 400 answer ("missing target", "unknown profile
// NAME", the --tcp parser's message).
std::string ParseProbeQuery(const std::string& query, const std::string& profilesDir, ProbeParameters& out);

// The header Prometheus sends with every scrape.
inline const char* ScrapeTimeoutHeader() { return "X-Prometheus-Scrape-Timeout-Seconds"; }

// The header's seconds less kDeadlineOffsetSeconds (at least 0.1 s), or the default without a
// usable header.
double ProbeDeadlineSeconds(std::string_view header);

}  // namespace kestrova::exporter
