#include "cli/discover_command.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <mutex>

#include "cli/json_report.h"
#include "cli/printer_jobs.h"
#include "cli/visible_text.h"
#include "session/network_identify.h"

namespace kestrova::cli {

namespace {

constexpr const char* kNotAPrinter = "not a Kestrova printer";

struct Found {
  std::string link;  // "A.B.C.D:PORT"
  bool connected = false;
  Identity identity;
};

// One address: connect, then identify, on the loop that owns the link.
Task<Found> Contact(std::uint32_t address, const Request& r) {
  Found found;
  found.link = AddressText(address) + ":" + std::to_string(r.port);
  if (auto identity = co_await IdentifyAt(AddressText(address), r.port, r.timeoutMs)) {
    found.connected = true;
    found.identity = std::move(*identity);
  }
  co_return found;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }
// Printer texts are taken as Latin-1, as the JSON of `read` takes them.
QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), static_cast<int>(text.size())); }

QJsonObject PrinterJson(const Found& f, const Request& r) {
  QJsonObject o{{"link", Q(f.link)}, {"address", Q(f.link.substr(0, f.link.rfind(':')))}, {"port", r.port},
                {"model", FindModel(*f.identity.model)->code}, {"model_name", Latin1(f.identity.modelName)}};
  if (!f.identity.serial.empty()) o.insert("serial", Latin1(f.identity.serial));
  return o;
}

// A YAML double-quoted scalar: JSON's string escapes are a subset of YAML's.
std::string YamlString(const QString& text) {
  const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
  return json.mid(1, json.size() - 2).toStdString();
}

// The inventory layout of the kestrova.printers collection: the host that ran discover (and so
// reaches the printers) runs the modules, its printers as the host variable `printers`, each
// item's `tcp` taken by the modules as it is.
std::string AnsibleInventory(const std::vector<Found>& printers, const Request& r) {
  std::string text =
      "# Printers found by kestrova-swctl discover. The kestrova.printers modules run kestrova-swctl\n"
      "# on this host, which reached them: loop over `printers` and pass item.tcp as `tcp`.\n"
      "kestrova_printers:\n  hosts:\n    localhost:\n      ansible_connection: local\n"
      "      ansible_python_interpreter: \"{{ ansible_playbook_python }}\"\n      printers:";
  if (printers.empty()) return text + " []\n";
  text += "\n";
  for (const Found& f : printers) {
    const QJsonObject o = PrinterJson(f, r);
    text += "        - tcp: " + YamlString(o["link"].toString()) + "\n          printer_model: " + YamlString(o["model"].toString()) +
            "\n";
    if (o.contains("serial")) text += "          serial_number: " + YamlString(o["serial"].toString()) + "\n";
  }
  return text;
}

std::string FileSd(const std::vector<Found>& printers) {
  QJsonArray targets;
  for (const Found& f : printers) targets.append(Q(f.link));
  QJsonArray groups;
  if (!targets.isEmpty()) groups.append(QJsonObject{{"targets", targets}});
  return QJsonDocument(groups).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

int Discover(const Request& r, std::ostream& out, std::ostream& err) {
  std::uint64_t total = 0;
  for (const AddressRange& range : r.ranges) total += range.size();
  // Only peers that answered are kept, so a large range holds little.
  std::mutex mutex;
  std::map<std::uint64_t, Found> answered;
  RunFleet(
      static_cast<std::size_t>(total), [&](std::size_t i) { return Contact(AddressAt(r.ranges, i), r); },
      [&](std::size_t i, Found found) {
        if (!found.connected) return;
        const std::lock_guard<std::mutex> lock(mutex);
        answered.emplace(i, std::move(found));
      },
      std::min<std::size_t>(static_cast<std::size_t>(r.maxParallel), PrintersInFlight()));
  std::vector<Found> printers;
  for (auto& [i, found] : answered) {
    if (found.identity.model) printers.push_back(std::move(found));
    else err << VisibleText(found.link) << ": " << kNotAPrinter << "\n";
  }
  if (r.format == "file-sd") {
    out << FileSd(printers);
  } else if (r.format == "ansible-inventory") {
    out << AnsibleInventory(printers, r);
  } else {
    for (const Found& f : printers) {
      if (r.format == "json") {
        out << JsonLine(PrinterJson(f, r));
        continue;
      }
      out << f.link << " " << FindModel(*f.identity.model)->code;
      if (!f.identity.serial.empty()) out << " " << VisibleText(f.identity.serial);
      out << "\n";
    }
  }
  if (!printers.empty()) return kExitOk;
  err << "no Kestrova printer found at " << total << (total == 1 ? " address" : " addresses") << "\n";
  return kExitFailed;
}

}  // namespace kestrova::cli
