// kestrova-swctl through the real libusb-1.0 against USB printers emulated with umockdev. Each
// printer is a usb_device of a umockdev testbed (sysfs attributes and descriptors: a printer-class
// interface with bulk OUT 0x01 and bulk IN 0x82) whose usbdevfs requests this test answers as the
// kernel and the printer would: a query taken in on bulk OUT is answered on bulk IN with 0x5F, the
// reply text of kReplies and 0x00; anything else is taken without a reply. One table: which
// printer discovery takes, a read, a write, both test prints, a printer unplugged mid-read,
// --usb-device and usb-list; each row checks what the tool prints and what every printer saw.
//
// GLib before Qt: Qt's "signals" keyword would break GLib's headers.
#include <glib.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <QtTest>

#include <cerrno>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <mutex>

#include "protocol/test_print.h"

namespace {

struct QueryReply {
  const char* command;  // hex, as logged
  const char* reply;    // between 0x5F and 0x00
};

// The read's queries in the order a read sends them, and what the emulated printers answer.
const QueryReply kReplies[] = {
    {"1d 49 43", "RT-5600"},    {"1d 67 34 27", "5"},       {"1d 67 34 28", "0"},           {"1d 67 34 29", "128"},
    {"1d 67 34 2a", "17"},      {"1d 67 34 2b", "255"},     {"1d 49 41", "V1.07"},          {"1d 67 34 10", "4411"},
    {"1d 67 34 15", "902"},     {"1d 67 34 09", "2026/01/15"}, {"1d 67 34 16", "3"},        {"1d 67 34 1b", "77120"},
    {"1d 67 34 05", "SN-7731"}, {"1d 67 34 24", "ANK"},     {"1d 49 45 00", "FR-2"},        {"1d 67 34 21", "17"},
    {"1d 67 34 22", "0"},       {"1d 67 34 25", "ON"},
};

// A transfer taken in: the client's usbdevfs_urb and its buffer, referenced until reaped.
struct Urb {
  UMockdevIoctlData* data = nullptr;
  UMockdevIoctlData* buffer = nullptr;
};

struct EmulatedPrinter {
  QByteArray node;     // /dev/bus/usb/001/00N
  QByteArray sysPath;  // /sys/devices/...
  int unplugAfterOut = -1;
  int outCount = 0;
  bool claimed = false;
  bool gone = false;
  QByteArray replies;  // not yet read
  std::deque<Urb> waitingIn;
  std::deque<Urb> done;
  QStringList log;
};

QByteArray Hex(const void* bytes, int size) { return QByteArray(static_cast<const char*>(bytes), size).toHex(' '); }

// One configuration descriptor with one interface of that class and a bulk pair of 64 bytes.
QByteArray Configuration(int value, int interfaceClass, int subclass, int protocol, int out, int in) {
  const int bytes[] = {9, 2, 32, 0, 1, value, 0, 0xc0, 50, 9, 4, 0, 0, 2, interfaceClass, subclass, protocol, 0,
                       7, 5, out, 2, 64, 0, 0, 7, 5, in, 2, 64, 0, 0};
  QByteArray descriptor;
  for (int byte : bytes) descriptor += static_cast<char>(byte);
  return descriptor;
}

// What is particular to a printer. One whose first configuration is vendor-specific (with a bulk
// pair of its own, 0x03 and 0x84) runs its second one, as the kernel chooses; one unplugged at
// query 3 leaves the bus once it has taken three bulk OUT transfers.
enum class Oddity { None, VendorConfigurationFirst, UnpluggedAtQuery3 };

QByteArray Descriptors(quint16 productId, Oddity oddity) {
  const bool vendorFirst = oddity == Oddity::VendorConfigurationFirst;
  // USB 2.0, class per interface, 64-byte control endpoint, 1f4e:productId, release 1.00, no strings.
  const char device[] = {18, 1, 0x00, 0x02, 0, 0, 0, 64, 0x4e, 0x1f, static_cast<char>(productId & 0xff),
                         static_cast<char>(productId >> 8), 0x00, 0x01, 0, 0, 0,
                         static_cast<char>(vendorFirst ? 2 : 1)};
  // The printer: class 7, subclass 1, protocol 2 (bidirectional), bulk OUT 0x01 and bulk IN 0x82.
  const QByteArray printer = Configuration(vendorFirst ? 2 : 1, 7, 1, 2, 0x01, 0x82);
  const QByteArray vendor = vendorFirst ? Configuration(1, 0xff, 0, 0, 0x03, 0x84) : QByteArray();
  return QByteArray(device, sizeof device) + vendor + printer;
}

class EmulatedUsbBus {
 public:
  EmulatedUsbBus() : testbed_(umockdev_testbed_new()) {}
  ~EmulatedUsbBus() {
    // Detaching stops the worker that serves the printers; then the transfers never reaped go.
    for (auto& p : printers_) umockdev_testbed_detach_ioctl(testbed_, p->node.constData(), nullptr);
    for (auto& p : printers_)
      for (const std::deque<Urb>* urbs : {&p->waitingIn, &p->done})
        for (const Urb& urb : *urbs) umockdev_ioctl_data_unref(urb.data);
    for (UMockdevIoctlBase* handler : handlers_) g_object_unref(handler);
    g_object_unref(testbed_);
  }

  // A printer of vendor 1f4e at bus 1, address 2 for the first, 3 for the next and so on. Empty
  // when added; else why not.
  QString addPrinter(quint16 productId, Oddity oddity) {
    auto printer = std::make_unique<EmulatedPrinter>();
    const int address = static_cast<int>(printers_.size()) + 2;
    printer->unplugAfterOut = oddity == Oddity::UnpluggedAtQuery3 ? 3 : -1;
    printer->node = QStringLiteral("/dev/bus/usb/001/%1").arg(address, 3, 10, QLatin1Char('0')).toUtf8();
    printer->sysPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + QByteArray::number(address - 1);
    const QByteArray record = "P: " + printer->sysPath.mid(4) + "\nN: " + printer->node.mid(5) +
                              "\nE: DEVNAME=" + printer->node +
                              "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\nE: BUSNUM=001\nE: DEVNUM=" +
                              printer->node.right(3) + "\nA: busnum=1\nA: devnum=" + QByteArray::number(address) +
                              "\nA: bConfigurationValue=" + (oddity == Oddity::VendorConfigurationFirst ? "2" : "1") +
                              "\nA: speed=480\nH: descriptors=" + Descriptors(productId, oddity).toHex() + "\n";
    GError* error = nullptr;
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    handlers_.push_back(handler);
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&EmulatedUsbBus::onIoctl), this);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      printers_.push_back(std::move(printer));
    }
    if (!umockdev_testbed_add_from_string(testbed_, record.constData(), &error) ||
        !umockdev_testbed_attach_ioctl(testbed_, printers_.back()->node.constData(), handler, &error)) {
      const QString why = QString::fromUtf8(error ? error->message : "umockdev refused the device");
      g_clear_error(&error);
      return why;
    }
    return {};
  }

  QString log(int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return printers_.at(static_cast<std::size_t>(index))->log.join("; ");
  }

  // Waits (at most timeoutMs) until the printer is unplugged, then removes it from the testbed as
  // the kernel removes a device that left the bus. False when it was not unplugged in time.
  bool removeWhenUnplugged(int index, int timeoutMs) {
    EmulatedPrinter& p = *printers_.at(static_cast<std::size_t>(index));
    std::unique_lock<std::mutex> lock(mutex_);
    if (!unplugged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return p.gone; })) return false;
    lock.unlock();
    umockdev_testbed_remove_device(testbed_, p.sysPath.constData());
    return true;
  }

  QProcessEnvironment childEnvironment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", "libumockdev-preload.so.0");
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    environment.insert("UMOCKDEV_DIR", QString::fromUtf8(root));
    g_free(root);
    // Under AddressSanitizer the preload comes before the runtime; it wraps no allocation.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    return environment;
  }

 private:
  // Writes a transfer's outcome into the client's copy and queues it for reaping.
  static void finish(EmulatedPrinter& p, const Urb& urb, const QByteArray& in, int status) {
    usbdevfs_urb copy;
    std::memcpy(&copy, urb.data->data, sizeof copy);
    copy.status = status;
    copy.actual_length = (copy.endpoint & 0x80) ? static_cast<int>(in.size()) : status == 0 ? copy.buffer_length : 0;
    if (!in.isEmpty())
      umockdev_ioctl_data_update(urb.buffer, 0, reinterpret_cast<guint8*>(const_cast<char*>(in.constData())),
                                 static_cast<gsize>(in.size()));
    umockdev_ioctl_data_update(urb.data, 0, reinterpret_cast<guint8*>(&copy), sizeof copy);
    p.done.push_back(urb);
  }

  static void serveIn(EmulatedPrinter& p) {
    while (!p.replies.isEmpty() && !p.waitingIn.empty()) {
      const Urb urb = p.waitingIn.front();
      p.waitingIn.pop_front();
      const QByteArray chunk = p.replies.left(reinterpret_cast<const usbdevfs_urb*>(urb.data->data)->buffer_length);
      p.replies.remove(0, chunk.size());
      finish(p, urb, chunk, 0);
    }
  }

  // As the kernel does when a device leaves the bus: transfers still waiting end with ENODEV and
  // can be reaped; every other request answers ENODEV.
  void unplug(EmulatedPrinter& p) {
    p.gone = true;
    p.log << "unplugged";
    for (; !p.waitingIn.empty(); p.waitingIn.pop_front()) finish(p, p.waitingIn.front(), {}, -ENODEV);
    unplugged_.notify_all();
  }

  void takeOut(EmulatedPrinter& p, const Urb& urb, int length) {
    const QByteArray hex = Hex(urb.buffer->data, length);
    p.log << "out " + QString::fromLatin1(hex);
    for (const QueryReply& query : kReplies)
      if (hex == query.command) p.replies += '_' + QByteArray(query.reply) + '\0';
    finish(p, urb, {}, 0);
    if (++p.outCount == p.unplugAfterOut) unplug(p);
  }

  // One usbdevfs request: the result (-1 with errno in error).
  long serve(EmulatedPrinter& p, gulong request, UMockdevIoctlData* arg, int& error) {
    const bool reap = request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB;
    if (p.gone && !(reap && !p.done.empty())) return error = ENODEV, -1;
    switch (request) {
      case USBDEVFS_GET_CAPABILITIES: {  // libusb_open asks this first
        p.log << "open";
        guint32 capabilities = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        umockdev_ioctl_data_update(umockdev_ioctl_data_resolve(arg, 0, sizeof capabilities, nullptr), 0,
                                   reinterpret_cast<guint8*>(&capabilities), sizeof capabilities);
        return 0;
      }
      case USBDEVFS_DISCONNECT_CLAIM:
      case USBDEVFS_CLAIMINTERFACE: {
        // Both begin with the interface number; only interface 0 exists.
        const unsigned int interface = *reinterpret_cast<const unsigned int*>(
            umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr)->data);
        p.log << QStringLiteral("claim %1").arg(interface);
        if (interface != 0) return error = ENOENT, -1;
        p.claimed = true;
        return 0;
      }
      case USBDEVFS_RELEASEINTERFACE:
        p.log << "release 0";
        p.claimed = false;
        return 0;
      case USBDEVFS_SUBMITURB: {
        Urb urb;
        urb.data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        const usbdevfs_urb submitted = *reinterpret_cast<const usbdevfs_urb*>(urb.data->data);
        const bool bulkPair = submitted.endpoint == 0x01 || submitted.endpoint == 0x82;
        if (!p.claimed || submitted.type != USBDEVFS_URB_TYPE_BULK || !bulkPair) {
          p.log << QStringLiteral("refused type %1 to %2").arg(submitted.type).arg(submitted.endpoint, 0, 16);
          return error = p.claimed ? ENOENT : EINVAL, -1;
        }
        urb.buffer = umockdev_ioctl_data_resolve(urb.data, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<gsize>(submitted.buffer_length), nullptr);
        umockdev_ioctl_data_ref(urb.data);
        if (submitted.endpoint == 0x01) {
          takeOut(p, urb, submitted.buffer_length);
        } else {
          p.waitingIn.push_back(urb);
          serveIn(p);
        }
        return 0;
      }
      case USBDEVFS_DISCARDURB:
        for (auto it = p.waitingIn.begin(); it != p.waitingIn.end(); ++it) {
          if (it->data->client_addr != *reinterpret_cast<const gulong*>(arg->data)) continue;
          const Urb urb = *it;
          p.waitingIn.erase(it);
          finish(p, urb, {}, -ENOENT);
          return 0;
        }
        return error = EINVAL, -1;
      case USBDEVFS_REAPURBNDELAY:
      case USBDEVFS_REAPURB: {
        if (p.done.empty()) return error = EAGAIN, -1;
        const Urb urb = p.done.front();
        p.done.pop_front();
        umockdev_ioctl_data_set_ptr(umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr), 0, urb.data);
        umockdev_ioctl_data_unref(urb.data);
        return 0;
      }
      default:  // no kernel driver to ask about, detach or attach
        return error = ENODATA, -1;
    }
  }

  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto& bus = *static_cast<EmulatedUsbBus*>(self);
    long result = -1;
    int error = ENODEV;
    {
      std::lock_guard<std::mutex> lock(bus.mutex_);
      for (auto& p : bus.printers_)
        if (p->node == umockdev_ioctl_client_get_devnode(client))
          result = bus.serve(*p, umockdev_ioctl_client_get_request(client), umockdev_ioctl_client_get_arg(client),
                             error);
    }
    umockdev_ioctl_client_complete(client, result, result < 0 ? error : 0);
    return TRUE;
  }

  UMockdevTestbed* testbed_;
  mutable std::mutex mutex_;
  std::condition_variable unplugged_;
  std::vector<std::unique_ptr<EmulatedPrinter>> printers_;
  std::vector<UMockdevIoctlBase*> handlers_;
};

}  // namespace

Q_DECLARE_METATYPE(Oddity)

// One line of a printer's log per transfer or interface request.
QStringList Outs(const QStringList& hex) {
  QStringList lines;
  for (const QString& bytes : hex) lines << "out " + bytes;
  return lines;
}

// The first count queries of the read, as they go out.
QStringList QueryOuts(int count) {
  QStringList hex;
  for (int i = 0; i < count; ++i) hex << kReplies[i].command;
  return Outs(hex);
}

// What a printer sees of one operation: opened, claimed, the transfers out, released.
QString Operation(const QStringList& outs) {
  return (QStringList{"open", "claim 0"} + outs + QStringList{"release 0"}).join("; ");
}

QString SelfTest() { return Operation(Outs({"1d 28 41 02 00 00 02"})); }

class LibusbPrintersTest : public QObject {
  Q_OBJECT
 private slots:
  void swctl_data();
  void swctl();
};

void LibusbPrintersTest::swctl_data() {
  QTest::addColumn<QList<int>>("present");  // product ids at 1-2, 1-3, ...
  QTest::addColumn<Oddity>("firstPrinter");
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QStringList>("stdoutHead");  // the first lines of the output
  QTest::addColumn<int>("stdoutLines");
  QTest::addColumn<QString>("stderrText");
  QTest::addColumn<QStringList>("logs");  // per printer
  QTest::addColumn<int>("withinMs");
  const QStringList rt5600 = {"--usb", "--model", "RT5600"};
  const QStringList selfTestSent = {"Self Test sent to USB"};
  QStringList fontBlocks;
  for (const kestrova::Bytes& block : kestrova::FontTestBlocks())
    fontBlocks << QString::fromLatin1(Hex(block.data(), static_cast<int>(block.size())));
  // The switches as read (SW1 with its first switch turned ON), then the language settings.
  const QStringList written = {"1d 67 75 6e 6c 00", "1d 67 38 27", "34 00 00 00", "1d 67 38 28", "30 00 00 00",
                               "1d 67 38 29", "31 32 38 00", "1d 67 38 2a", "31 37 00 00", "1d 67 38 2b", "32 35 35 00",
                               "1d 67 38 21 31 37 00 00",
                               "1d 67 38 24 43 79 72 69 6c 6c 69 63" + QString(" 00").repeated(13),
                               "1d 67 38 22 30 00 00", "1d 67 38 25 4f 4e 00 00", "1d 67 6c 63 6b 00"};

  QTest::newRow("earlier table row wins") << QList<int>{0x2a05, 0x2a0d} << Oddity::None
      << QStringList{"self-test", "--usb", "--model", "MV7500"} << 0 << selfTestSent << 1 << ""
      << QStringList{"", SelfTest()} << 3000;
  QTest::newRow("earlier row without a model wins") << QList<int>{0x2a0f, 0x2a09} << Oddity::None
      << QStringList{"self-test", "--usb"} << 0 << selfTestSent << 1 << ""
      << QStringList{"", SelfTest()} << 3000;
  QTest::newRow("another model's printer never claimed") << QList<int>{0x2a10, 0x2a0f} << Oddity::None
      << QStringList{"self-test", "--usb", "--model", "RT4300"} << 0 << selfTestSent << 1 << ""
      << QStringList{"", SelfTest()} << 3000;
  QTest::newRow("only another model's printer") << QList<int>{0x2a10} << Oddity::None
      << QStringList{"self-test", "--usb", "--model", "RT4300"} << 1 << QStringList{} << 0
      << "Open usb FAILED: USB: a printer 1f4e:2a10 for RT5600 is present, but RT4300 is selected\n"
      << QStringList{""} << 3000;
  QTest::newRow("read") << QList<int>{0x2a10} << Oddity::None << QStringList{"read"} + rt5600 + QStringList{"--fast"}
      << 0
      << QStringList{"Model: RT5600 (9)",
                     "Model Name                   RT-5600 ",
                     "Firmware Revision            V1.07 ",
                     "Hours Powered                4411 ",
                     "Cut Paper Count              902 ",
                     "Installation Date            2026/01/15 ",
                     "Failed Paper Cut             3 ",
                     "Line Printed                 77120 ",
                     "Serial Number                SN-7731 ",
                     "Language Model               ANK ",
                     "Font ROM                     FR-2 ",
                     "Code Page                    17 - Cyrillic",
                     "International Character Set  0 - U.S.A.",
                     "Print Density                Undefined",
                     "New 8x16 Font                ON",
                     "Thai 1Pass/3Pass             ",
                     "",
                     "Switch  Position  Meaning",
                     "SW1-1   OFF       Baud Rate - 19200",
                     "SW1-2   ON        Baud Rate - 19200",
                     "SW1-3   OFF       Reserve"}
      << 58 << "" << QStringList{Operation(QueryOuts(18))} << 10000;
  QTest::newRow("write") << QList<int>{0x2a10} << Oddity::None
      << QStringList{"write"} + rt5600 + QStringList{"--set", "SW1-1=ON", "--fast"} << 0
      << QStringList{"SW1-1: OFF -> ON (Baud Rate - 19200 -> Baud Rate - 38400)",
                     "SW1-2: ON (Baud Rate - 19200 -> Baud Rate - 38400)",
                     "Write software switch settings OK, please reboot your printer"}
      << 3 << "Don't let printer shut down when writing settings\nBackup saved to STATE/kestrova-swutil/backups/SN-7731/TIME.json\n"
      << QStringList{Operation(QueryOuts(18)) + "; " + Operation(Outs(written))} << 15000;
  QTest::newRow("self test") << QList<int>{0x2a10} << Oddity::None << QStringList{"self-test"} + rt5600 << 0
      << selfTestSent << 1 << "" << QStringList{SelfTest()} << 3000;
  QTest::newRow("active configuration not the first") << QList<int>{0x2a10} << Oddity::VendorConfigurationFirst
      << QStringList{"self-test"} + rt5600 << 0 << selfTestSent << 1 << "" << QStringList{SelfTest()} << 3000;
  QTest::newRow("font test") << QList<int>{0x2a10} << Oddity::None << QStringList{"font-test"} + rt5600 << 0
      << QStringList{"Fonts Test sent to USB"} << 1 << "" << QStringList{Operation(Outs(fontBlocks))} << 3000;
  QTest::newRow("unplugged mid-read") << QList<int>{0x2a10} << Oddity::UnpluggedAtQuery3
      << QStringList{"read"} + rt5600 + QStringList{"--fast"} << 1 << QStringList{} << 0
      << "Read software switch FAILED: USB: link lost at query 3: USB usb#vid_1f4e&pid_2a10#1-2: the printer was "
         "unplugged\n"
      << QStringList{"open; claim 0; " + QueryOuts(3).join("; ") + "; unplugged"} << 4000;
  // The printers are listed (and so opened, never claimed) before the one chosen is taken.
  QTest::newRow("usb-device chooses") << QList<int>{0x2a0f, 0x2a09} << Oddity::None
      << QStringList{"self-test", "--usb-device", "1-2"} << 0 << QStringList{"Self Test sent to USB 1-2"} << 1 << ""
      << QStringList{"open; " + SelfTest(), "open"} << 3000;
  QTest::newRow("usb-device of another model") << QList<int>{0x2a0f, 0x2a0d} << Oddity::None
      << QStringList{"self-test", "--usb-device", "1-3", "--model", "RT5600"} << 1 << QStringList{} << 0
      << "Open usb FAILED: USB 1-3: the printer there is for MV7500, not for the model selected\n"
      << QStringList{"open", "open"} << 3000;
  QTest::newRow("usb-list") << QList<int>{0x2a0f, 0x2a0d, 0x2a17} << Oddity::None << QStringList{"usb-list"} << 0
      << QStringList{"1-3  1f4e:2a0d  MV7500  usable", "1-2  1f4e:2a0f  KD140  usable"} << 2 << ""
      << QStringList{"open", "open", ""} << 3000;
}

void LibusbPrintersTest::swctl() {
  QFETCH(QList<int>, present);
  QFETCH(Oddity, firstPrinter);
  QFETCH(QStringList, args);
  QFETCH(int, exitCode);
  QFETCH(QStringList, stdoutHead);
  QFETCH(int, stdoutLines);
  QFETCH(QString, stderrText);
  QFETCH(QStringList, logs);
  QFETCH(int, withinMs);
  EmulatedUsbBus bus;
  for (int i = 0; i < present.size(); ++i) {
    const QString added = bus.addPrinter(quint16(present[i]), i == 0 ? firstPrinter : Oddity::None);
    QVERIFY2(added.isEmpty(), qPrintable(added));
  }
  // Backups of writes go to a folder of the test's own.
  QTemporaryDir state;
  QProcessEnvironment environment = bus.childEnvironment();
  environment.insert("XDG_STATE_HOME", state.path());
  QProcess swctl;
  swctl.setProcessEnvironment(environment);
  QElapsedTimer elapsed;
  elapsed.start();
  swctl.start(qEnvironmentVariable("KESTROVA_BIN_DIR") + "/kestrova-swctl", args);
  QVERIFY2(swctl.waitForStarted(5000), qPrintable(swctl.errorString()));
  if (firstPrinter == Oddity::UnpluggedAtQuery3)
    QVERIFY2(bus.removeWhenUnplugged(0, withinMs), "the printer was never unplugged");
  const bool finished = swctl.waitForFinished(withinMs + 10000);
  const qint64 tookMs = elapsed.elapsed();
  if (!finished) swctl.kill(), swctl.waitForFinished(5000);
  QVERIFY2(finished, "kestrova-swctl did not end");
  const QString out = QString::fromUtf8(swctl.readAllStandardOutput());
  QCOMPARE(QString::fromUtf8(swctl.readAllStandardError())
               .replace(state.path(), "STATE")
               .replace(QRegularExpression("\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\dZ(_\\d+)?"), "TIME"),
           stderrText);
  QCOMPARE(swctl.exitCode(), exitCode);
  const QStringList lines = out.isEmpty() ? QStringList{} : out.chopped(1).split('\n');
  QCOMPARE(lines.mid(0, stdoutHead.size()), stdoutHead);
  QCOMPARE(lines.size(), stdoutLines);
  for (int i = 0; i < present.size(); ++i) QCOMPARE(bus.log(i), logs[i]);
  QVERIFY2(tookMs <= withinMs, qPrintable(QStringLiteral("took %1 ms").arg(tookMs)));
}

QTEST_GUILESS_MAIN(LibusbPrintersTest)
#include "test_libusb_printers.moc"
