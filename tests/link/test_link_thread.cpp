// The link thread: jobs in order, results back, links living on it.
#include <QtTest>
#include <atomic>
#include <thread>

#include "link/link_thread.h"
#include "link/serial_component_link.h"
#include "link/tcp_link.h"
#include "tcp_server.h"
#include "tsan_qt.h"

using namespace kestrova;
using kestrova::testing::TcpPrinter;

class LinkThreadTest : public QObject {
  Q_OBJECT
 private slots:
  void jobsRunInOrderOnTheThread() {
    LinkThread thread;
    thread.begin();
    std::vector<int> order;  // touched only on the link thread
    std::atomic<int> offThread{0};
    for (int i = 0; i < 200; ++i) {
      QVERIFY(thread.post([&, i] {
        if (QThread::currentThread() != &thread) ++offThread;
        order.push_back(i);
      }));
    }
    const std::vector<int> seen = thread.call([&order] { return order; }).get();
    QCOMPARE(seen.size(), std::size_t(200));
    for (int i = 0; i < 200; ++i) QCOMPARE(seen[std::size_t(i)], i);
    QCOMPARE(offThread.load(), 0);
    QVERIFY(!thread.isCurrent());
  }

  void resultsComeBack() {
    LinkThread thread;
    thread.begin();
    QCOMPARE(thread.call([] { return 41 + 1; }).get(), 42);
    QCOMPARE(thread.call([] { return std::string("COM3"); }).get(), std::string("COM3"));
    QVERIFY(thread.call([&thread] { return thread.isCurrent(); }).get());
    // From a second thread too.
    int fromOther = 0;
    std::thread other([&] { fromOther = thread.call([] { return 7; }).get(); });
    other.join();
    QCOMPARE(fromOther, 7);
  }

  void callFromTheThreadRunsAtOnce() {
    LinkThread thread;
    thread.begin();
    const int nested = thread.call([&thread] { return thread.call([] { return 5; }).get() + 1; }).get();
    QCOMPARE(nested, 6);
  }

  void jobsPostedBeforeStartRunAfterIt() {
    LinkThread thread;
    auto result = thread.call([] { return 3; });
    thread.begin();
    QCOMPARE(result.get(), 3);
  }

  void linkLivesOnTheThread() {
    TcpPrinter printer;
    LinkThread thread;
    thread.begin();
    std::unique_ptr<TcpLink> link;  // created, used and destroyed on the link thread only
    std::atomic<int> errors{0};
    QThread* owner = thread.call([&] {
                       link = std::make_unique<TcpLink>();
                       return link->ownerThread();
                     }).get();
    QCOMPARE(owner, static_cast<QThread*>(&thread));
    // The handler is installed from here while the link lives there.
    link->setErrorHandler([&errors](int) { ++errors; });
    const bool connected = thread.call([&] {
                                   link->prepare("127.0.0.1", std::to_string(printer.port()));
                                   return link->connectToPrinter();
                                 }).get();
    QVERIFY(connected);
    QVERIFY(thread.call([&] { return link->send(Bytes("\x1D\x49\x43\x00", 4)); }).get());
    QCOMPARE(printer.received(4), Bytes("\x1D\x49\x43\x00", 4));
    printer.send("_KD250");
    QCOMPARE(thread.call([&] { return link->receive(64, kReceiveTimeoutMs); }).get(), Bytes("_KD250"));
    // The peer drops while the thread idles in its event loop: the event arrives on the thread.
    printer.dropClient();
    for (int i = 0; i < 100 && errors.load() == 0; ++i) QTest::qSleep(10);
    QCOMPARE(errors.load(), 1);
    thread.call([&] { link.reset(); }).get();
    QVERIFY(!link);
  }

  void serialComponentCreatedOnTheThread() {
    LinkThread thread;
    thread.begin();
    QThread* owner = thread.call([] {
                       SerialComponentLink link;
                       return link.ownerThread();
                     }).get();
    QCOMPARE(owner, static_cast<QThread*>(&thread));
  }

  void stoppedThreadRefusesJobs() {
    LinkThread thread;
    thread.begin();
    int ran = 0;
    thread.post([&ran] { ++ran; });
    QVERIFY(thread.stop());
    QCOMPARE(ran, 1);  // posted before the stop: ran
    QVERIFY(!thread.post([&ran] { ++ran; }));
    auto refused = thread.call([] { return 1; });
    QVERIFY_THROWS_EXCEPTION(std::future_error, refused.get());
    QCOMPARE(ran, 1);
    QVERIFY(thread.isFinished());
  }
};

QTEST_GUILESS_MAIN(LinkThreadTest)
#include "test_link_thread.moc"
