// GLib first: Qt's "signals" keyword would break its headers.
#include <glib.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include "emulated_usb_bus.h"

#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstddef>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace kestrova::usbtest {
namespace {

// An URB taken in: its data in the client (kept referenced until reaped) and what it carries.
struct Urb {
  UMockdevIoctlData* data = nullptr;
  UMockdevIoctlData* buffer = nullptr;
  unsigned char endpoint = 0;
  int type = 0;
};

struct Printer {
  int address = 0;
  unsigned int printerInterface = 0;
  sim::SimPrinter sim;
  sim::CommandParser parser;
  UsbFaults faults;
  QString node;        // /dev/bus/usb/001/002
  QString driver = QStringLiteral("usblp");
  bool claimed = false;
  bool gone = false;
  int outCount = 0;
  QByteArray inQueue;  // replies not yet read
  std::deque<Urb> waitingIn;
  std::deque<Urb> done;
  QStringList log;
  QStringList outHex;
  QStringList events;
};

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) bytes.append(static_cast<char>(v));
  return bytes;
}

QByteArray DescriptorBytes(quint16 productId, bool vendorInterfaceFirst) {
  // device: USB 2.0, class per interface, EP0 64 bytes, 1f4e:pppp, release 1.00, no strings, 1 configuration
  QByteArray bytes = Bytes({18, 1, 0x00, 0x02, 0, 0, 0, 64, 0x4e, 0x1f, productId & 0xff, productId >> 8, 0x00, 0x01,
                            0, 0, 0, 1});
  const int interfaces = vendorInterfaceFirst ? 2 : 1;
  // configuration 1, self powered
  bytes += Bytes({9, 2, 9 + interfaces * 23, 0, interfaces, 1, 0, 0xc0, 50});
  // a vendor-class interface with bulk OUT 0x03 and bulk IN 0x84
  if (vendorInterfaceFirst) bytes += Bytes({9, 4, 0, 0, 2, 0xff, 0, 0, 0, 7, 5, 0x03, 2, 64, 0, 0, 7, 5, 0x84, 2, 64, 0, 0});
  // the printer: class 7, subclass 1, protocol 2 (bidirectional), bulk OUT 0x01 and bulk IN 0x82
  bytes += Bytes({9, 4, interfaces - 1, 0, 2, 7, 1, 2, 0, 7, 5, 0x01, 2, 64, 0, 0, 7, 5, 0x82, 2, 64, 0, 0});
  return bytes;
}

}  // namespace

struct EmulatedUsbBus::State {
  UMockdevTestbed* testbed = nullptr;
  QString error;
  mutable std::mutex mutex;
  std::vector<std::unique_ptr<Printer>> printers;
  std::vector<UMockdevIoctlBase*> handlers;

  Printer* byNode(const char* node) {
    for (auto& p : printers)
      if (p->node == QString::fromUtf8(node)) return p.get();
    return nullptr;
  }

  // Writes the URB's outcome into the client's copy and queues it for reaping.
  static void finish(Printer& p, Urb urb, const QByteArray& in, int status) {
    usbdevfs_urb copy;
    std::memcpy(&copy, urb.data->data, sizeof copy);
    copy.status = status;
    if (urb.endpoint & 0x80) {
      copy.actual_length = static_cast<int>(in.size());
      if (!in.isEmpty())
        umockdev_ioctl_data_update(urb.buffer, 0, reinterpret_cast<guint8*>(const_cast<char*>(in.constData())),
                                   static_cast<gint>(in.size()));
    } else {
      copy.actual_length = status == 0 ? copy.buffer_length : 0;
    }
    umockdev_ioctl_data_update(urb.data, 0, reinterpret_cast<guint8*>(&copy), sizeof copy);
    p.done.push_back(urb);
  }

  // Hands queued replies to waiting IN transfers.
  static void serveIn(Printer& p) {
    while (!p.faults.silentIn && !p.inQueue.isEmpty() && !p.waitingIn.empty()) {
      Urb urb = p.waitingIn.front();
      p.waitingIn.pop_front();
      const int capacity = reinterpret_cast<usbdevfs_urb*>(urb.data->data)->buffer_length;
      const QByteArray chunk = p.inQueue.left(capacity);
      p.inQueue.remove(0, chunk.size());
      p.log << QStringLiteral("in ") + QString::fromLatin1(chunk.toHex(' '));
      finish(p, urb, chunk, 0);
    }
  }

  // As the kernel does on a disconnect: transfers still waiting end with -ENODEV and can be
  // reaped; every other request answers ENODEV.
  static void unplug(Printer& p) {
    if (p.gone) return;
    p.gone = true;
    p.log << QStringLiteral("unplugged");
    while (!p.waitingIn.empty()) {
      const Urb urb = p.waitingIn.front();
      p.waitingIn.pop_front();
      finish(p, urb, {}, -ENODEV);
    }
  }

  static void takeOut(Printer& p, const Urb& urb) {
    const auto* u = reinterpret_cast<const usbdevfs_urb*>(urb.data->data);
    const QByteArray bytes(reinterpret_cast<const char*>(urb.buffer->data), u->buffer_length);
    p.log << QStringLiteral("out ") + QString::fromLatin1(bytes.toHex(' '));
    p.outHex << QString::fromLatin1(bytes.toHex(' '));
    for (const sim::Step& step : p.sim.feed(p.parser, bytes)) {
      p.inQueue += step.reply;
      p.events << step.event;
      if (!p.faults.unplugAfterEvent.isEmpty() && step.event.startsWith(p.faults.unplugAfterEvent)) unplug(p);
    }
    ++p.outCount;
    finish(p, urb, {}, 0);
    if (p.faults.unplugAfterOut >= 0 && p.outCount >= p.faults.unplugAfterOut) unplug(p);
  }

  // One usbdevfs ioctl; returns the result and sets err.
  long ioctl(Printer& p, gulong request, UMockdevIoctlData* arg, int& err) {
    if (request == USBDEVFS_GET_CAPABILITIES) p.log << QStringLiteral("open");
    const bool reap = request == USBDEVFS_REAPURBNDELAY || request == USBDEVFS_REAPURB;
    if (p.gone && !(reap && !p.done.empty())) {
      err = ENODEV;
      return -1;
    }
    switch (request) {
      case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        guint32 value = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
        umockdev_ioctl_data_update(caps, 0, reinterpret_cast<guint8*>(&value), sizeof value);
        return 0;
      }
      case USBDEVFS_GETDRIVER: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        usbdevfs_getdriver gd;
        std::memcpy(&gd, d->data, sizeof gd);
        if (p.driver.isEmpty() || gd.interface != p.printerInterface) {
          err = ENODATA;
          return -1;
        }
        std::snprintf(gd.driver, sizeof gd.driver, "%s", p.driver.toUtf8().constData());
        umockdev_ioctl_data_update(d, 0, reinterpret_cast<guint8*>(&gd), sizeof gd);
        return 0;
      }
      case USBDEVFS_IOCTL: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
        const auto* io = reinterpret_cast<const usbdevfs_ioctl*>(d->data);
        if (io->ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
          if (p.driver.isEmpty()) {
            err = ENODATA;
            return -1;
          }
          p.log << QStringLiteral("detach ") + p.driver;
          p.driver.clear();
          return 0;
        }
        if (io->ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
          if (p.claimed || !p.driver.isEmpty()) {
            err = EBUSY;
            return -1;
          }
          p.driver = QStringLiteral("usblp");
          p.log << QStringLiteral("attach usblp");
          return 0;
        }
        err = ENOTTY;
        return -1;
      }
      case USBDEVFS_DISCONNECT_CLAIM: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_disconnect_claim), nullptr);
        const auto* dc = reinterpret_cast<const usbdevfs_disconnect_claim*>(d->data);
        if (dc->interface != p.printerInterface) {
          // Only the printer interface is served; claiming another is logged as such.
          p.log << QStringLiteral("claim %1").arg(dc->interface);
          err = ENOENT;
          return -1;
        }
        if (p.faults.claimBusy) {
          p.log << QStringLiteral("busy");
          err = EBUSY;
          return -1;
        }
        if (!p.driver.isEmpty()) {
          p.log << QStringLiteral("detach ") + p.driver;
          p.driver.clear();
        }
        p.claimed = true;
        p.log << QStringLiteral("claim %1").arg(p.printerInterface);
        return 0;
      }
      case USBDEVFS_CLAIMINTERFACE: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
        const unsigned int iface = *reinterpret_cast<const unsigned int*>(d->data);
        if (iface != p.printerInterface) {
          p.log << QStringLiteral("claim %1").arg(iface);
          err = ENOENT;
          return -1;
        }
        if (p.faults.claimBusy || !p.driver.isEmpty()) {
          p.log << QStringLiteral("busy");
          err = EBUSY;
          return -1;
        }
        p.claimed = true;
        p.log << QStringLiteral("claim %1").arg(iface);
        return 0;
      }
      case USBDEVFS_RELEASEINTERFACE: {
        if (!p.claimed) {
          err = EINVAL;
          return -1;
        }
        p.claimed = false;
        p.log << QStringLiteral("release %1").arg(p.printerInterface);
        return 0;
      }
      case USBDEVFS_SUBMITURB: {
        Urb urb;
        urb.data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        const auto* u = reinterpret_cast<const usbdevfs_urb*>(urb.data->data);
        urb.buffer = umockdev_ioctl_data_resolve(urb.data, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<gsize>(u->buffer_length), nullptr);
        urb.endpoint = u->endpoint;
        urb.type = u->type;
        if (!p.claimed && u->type == USBDEVFS_URB_TYPE_BULK) {
          err = EINVAL;
          return -1;
        }
        umockdev_ioctl_data_ref(urb.data);
        if (u->type != USBDEVFS_URB_TYPE_BULK) {
          finish(p, urb, {}, 0);  // control requests: accepted, nothing to say
        } else if (u->endpoint == 0x01) {
          takeOut(p, urb);
        } else if (u->endpoint == 0x82) {
          p.waitingIn.push_back(urb);
          serveIn(p);
        } else {
          umockdev_ioctl_data_unref(urb.data);
          err = ENOENT;
          return -1;
        }
        return 0;
      }
      case USBDEVFS_DISCARDURB: {
        const gulong address = *reinterpret_cast<const gulong*>(arg->data);
        for (auto it = p.waitingIn.begin(); it != p.waitingIn.end(); ++it) {
          if (it->data->client_addr != address) continue;
          const Urb urb = *it;
          p.waitingIn.erase(it);
          p.log << QStringLiteral("discard");
          finish(p, urb, {}, -ENOENT);
          return 0;
        }
        err = EINVAL;
        return -1;
      }
      case USBDEVFS_REAPURBNDELAY:
      case USBDEVFS_REAPURB: {
        if (p.done.empty()) {
          err = EAGAIN;
          return -1;
        }
        const Urb urb = p.done.front();
        p.done.pop_front();
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(slot, 0, urb.data);
        umockdev_ioctl_data_unref(urb.data);
        return 0;
      }
      default:
        err = ENOTTY;
        return -1;
    }
  }

  static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* state = static_cast<State*>(self);
    const gulong request = umockdev_ioctl_client_get_request(client);
    long result = -1;
    int err = 0;
    bool nothingToReap = false;
    {
      std::lock_guard<std::mutex> lock(state->mutex);
      Printer* p = state->byNode(umockdev_ioctl_client_get_devnode(client));
      if (!p) {
        err = ENODEV;
      } else {
        result = state->ioctl(*p, request, umockdev_ioctl_client_get_arg(client), err);
        nothingToReap = result < 0 && err == EAGAIN;
      }
    }
    // A transfer waiting for an answer polls by reaping; a short pause keeps it from spinning.
    if (nothingToReap) g_usleep(1000);
    umockdev_ioctl_client_complete(client, result, result < 0 ? err : 0);
    return TRUE;
  }
};

EmulatedUsbBus::EmulatedUsbBus() : state_(std::make_unique<State>()) {
  state_->testbed = umockdev_testbed_new();
  if (!state_->testbed) state_->error = QStringLiteral("umockdev testbed not created");
}

EmulatedUsbBus::~EmulatedUsbBus() {
  // Detaching stops the worker serving the printers; then the URBs never reaped are let go.
  for (auto& p : state_->printers) umockdev_testbed_detach_ioctl(state_->testbed, p->node.toUtf8().constData(), nullptr);
  for (auto& p : state_->printers) {
    for (const Urb& urb : p->waitingIn) umockdev_ioctl_data_unref(urb.data);
    for (const Urb& urb : p->done) umockdev_ioctl_data_unref(urb.data);
  }
  for (UMockdevIoctlBase* handler : state_->handlers) g_object_unref(handler);
  if (state_->testbed) g_object_unref(state_->testbed);
}

QString EmulatedUsbBus::error() const { return state_->error; }

int EmulatedUsbBus::addPrinter(quint16 productId, const sim::PrinterValues& values, const UsbFaults& faults) {
  auto printer = std::make_unique<Printer>();
  const int index = static_cast<int>(state_->printers.size());
  printer->address = index + 2;
  printer->sim = sim::SimPrinter(values);
  printer->faults = faults;
  printer->printerInterface = faults.vendorInterfaceFirst ? 1 : 0;
  // Another program holding the interface has it through usbfs: nothing to detach.
  if (faults.claimBusy) printer->driver = QStringLiteral("usbfs");
  printer->node = QStringLiteral("/dev/bus/usb/001/%1").arg(printer->address, 3, 10, QLatin1Char('0'));
  const QString sysName = QStringLiteral("1-%1").arg(index + 1);
  const QString record = QStringLiteral(
                             "P: /devices/pci0000:00/0000:00:14.0/usb1/%1\n"
                             "N: %2\n"
                             "E: DEVNAME=%3\n"
                             "E: DEVTYPE=usb_device\n"
                             "E: SUBSYSTEM=usb\n"
                             "E: BUSNUM=001\n"
                             "E: DEVNUM=%4\n"
                             "A: busnum=1\n"
                             "A: devnum=%5\n"
                             "A: bConfigurationValue=1\n"
                             "A: speed=480\n"
                             "H: descriptors=%6\n")
                             .arg(sysName, printer->node.mid(5), printer->node,
                                  QStringLiteral("%1").arg(printer->address, 3, 10, QLatin1Char('0')))
                             .arg(printer->address)
                             .arg(QString::fromLatin1(DescriptorBytes(productId, faults.vendorInterfaceFirst).toHex()));
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(state_->testbed, record.toUtf8().constData(), &error)) {
    state_->error = QString::fromUtf8(error ? error->message : "add_from_string failed");
    if (error) g_error_free(error);
    return -1;
  }
  UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
  g_signal_connect(handler, "handle-ioctl", G_CALLBACK(&State::onIoctl), state_.get());
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->printers.push_back(std::move(printer));
  }
  if (!umockdev_testbed_attach_ioctl(state_->testbed, state_->printers.back()->node.toUtf8().constData(), handler,
                                     &error)) {
    state_->error = QString::fromUtf8(error ? error->message : "attach_ioctl failed");
    if (error) g_error_free(error);
  }
  state_->handlers.push_back(handler);
  return index;
}

QString EmulatedUsbBus::busAddress(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return QStringLiteral("1-%1").arg(state_->printers.at(static_cast<std::size_t>(index))->address);
}

QStringList EmulatedUsbBus::log(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->printers.at(static_cast<std::size_t>(index))->log;
}

QStringList EmulatedUsbBus::outTransfers(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->printers.at(static_cast<std::size_t>(index))->outHex;
}

QStringList EmulatedUsbBus::events(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->printers.at(static_cast<std::size_t>(index))->events;
}

QString EmulatedUsbBus::driver(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->printers.at(static_cast<std::size_t>(index))->driver;
}

sim::SimPrinter EmulatedUsbBus::printer(int index) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->printers.at(static_cast<std::size_t>(index))->sim;
}

bool EmulatedUsbBus::denyAccess(int index) {
  const QString root = qEnvironmentVariable("UMOCKDEV_DIR");
  QString node;
  {
    std::lock_guard<std::mutex> lock(state_->mutex);
    node = state_->printers.at(static_cast<std::size_t>(index))->node;
  }
  if (root.isEmpty()) return false;
  QStringList paths{root};
  QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) paths << it.next();
  for (const QString& path : paths) {
    struct stat st;
    if (lstat(QFile::encodeName(path).constData(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
    const mode_t all = S_ISDIR(st.st_mode) ? 0777 : (S_ISSOCK(st.st_mode) ? 0777 : 0644);
    if (chmod(QFile::encodeName(path).constData(), st.st_mode | all) != 0) return false;
  }
  return chmod(QFile::encodeName(root + node).constData(), 0) == 0;
}

QProcessEnvironment EmulatedUsbBus::childEnvironment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LD_PRELOAD"), PreloadValue());
  env.insert(QStringLiteral("UMOCKDEV_DIR"), qEnvironmentVariable("UMOCKDEV_DIR"));
  return env;
}

void ReexecWithPreload(char** argv) {
  const char* current = std::getenv("LD_PRELOAD");
  if (current && std::strstr(current, "libumockdev-preload")) return;
  const QByteArray value = PreloadValue().toUtf8() + (current && *current ? QByteArray(" ") + current : QByteArray());
  setenv("LD_PRELOAD", value.constData(), 1);
  execv("/proc/self/exe", argv);
  std::perror("execv");
  std::exit(1);
}

QString PreloadValue() {
#if defined(__SANITIZE_ADDRESS__)
  return QStringLiteral(KESTROVA_LIBASAN_PATH " libumockdev-preload.so.0");
#else
  return QStringLiteral("libumockdev-preload.so.0");
#endif
}

}  // namespace kestrova::usbtest
