#include "exporter/probe_query.h"

#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <map>

#include "exporter/probe_service.h"

namespace kestrova::exporter {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A form-encoded value: %XX and '+' decoded; nullopt for a broken escape.
std::optional<std::string> Decoded(std::string_view text) {
  std::string value;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      value += ' ';
    } else if (text[i] == '%') {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      value += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      value += text[i];
    }
  }
  return value;
}

// A profile name is a plain file name: letters, digits, '.', '_', '-', not starting with '.'.
bool PlainName(const std::string& name) {
  return !name.empty() && name.size() <= 100 && name[0] != '.' &&
         std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-'; });
}

}  // namespace

std::string ParseProbeQuery(const std::string& query, const std::string& profilesDir, ProbeParameters& out) {
  std::map<std::string, std::string> parameters;
  std::size_t start = 0;
  while (start <= query.size() && !query.empty()) {
    const std::size_t end = std::min(query.find('&', start), query.size());
    const std::string_view pair(query.data() + start, end - start);
    const std::size_t eq = pair.find('=');
    const auto key = Decoded(pair.substr(0, eq));
    const auto value = Decoded(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1));
    if (!key || !value) return "malformed query: a broken %-escape";
    if (!key->empty() && !parameters.emplace(*key, *value).second) return "parameter " + *key + " given more than once";
    start = end + 1;
  }
  const auto target = parameters.find("target");
  if (target == parameters.end() || target->second.empty()) return "missing target: /probe?target=HOST[:PORT]";
  QStringList arguments = {"metrics", "--fast", QString::fromStdString("--tcp=" + target->second)};
  if (const auto profile = parameters.find("profile"); profile != parameters.end()) {
    const std::string& name = profile->second;
    const std::string path = profilesDir + "/" + name + ".json";
    if (profilesDir.empty() || !PlainName(name) || !QFileInfo(QString::fromStdString(path)).isFile())
      return "unknown profile " + name;
    arguments << QString::fromStdString("--from=" + path);
  }
  const cli::ParseResult parsed = cli::ParseCommandLine(arguments);
  if (!parsed.request) return "target " + target->second + ": " + parsed.error;
  out.link = parsed.request->links.front();
  out.profile = parsed.request->edits.from;
  return {};
}

double ProbeDeadlineSeconds(std::string_view header) {
  const std::string text(header);
  char* end = nullptr;
  const double seconds = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !(seconds > 0) || seconds > 3600) return kDefaultProbeSeconds;
  return std::max(0.1, seconds - kDeadlineOffsetSeconds);
}

}  // namespace kestrova::exporter
