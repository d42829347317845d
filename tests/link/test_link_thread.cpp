// The link thread: jobs in order, results back, links living on it.
#include <QtTest>

#include <future>
#include <atomic>
#include <thread>

#include "link/link_thread.h"
#include "link/serial_component_link.h"
#include "link/tcp_link.h"
#include "tsan_qt.h"

using namespace kestrova;

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

  // A job that outlasts the stop's bound: stop() says so, and the job still ends before the thread
  // is torn down.
  void destroyWaitsForTheRunningJob() {
    std::atomic<bool> ended{false};
    std::promise<void> release;
    bool stoppedInTime = true;
    {
      LinkThread thread;
      thread.begin();
      std::shared_future<void> released = release.get_future().share();
      thread.post([&ended, released] {
        released.wait();
        QThread::msleep(100);  // still busy as the thread is destroyed
        ended = true;
      });
      stoppedInTime = thread.stop(50);
      release.set_value();
    }
    QVERIFY(!stoppedInTime);
    QVERIFY(ended.load());
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
