// The link thread: jobs in order, results back, a stop that lets the queued jobs end.
#include <QtTest>

#include <atomic>
#include <future>
#include <string>

#include "link/clock.h"
#include "link/link_thread.h"
#include "tsan_qt.h"

using namespace kestrova;

class LinkThreadTest : public QObject {
  Q_OBJECT
 private slots:
  // Plain jobs, a job that pauses on the loop's timer, and call() from outside and from inside a
  // job, some posted before the thread begins: one after another, in the order posted, all on
  // the link thread.
  void jobsRunInOrderOnTheThread() {
    LinkThread thread;
    std::string order;  // touched only on the link thread
    std::atomic<int> offThread{0};
    auto mark = [&](char c) {
      if (!thread.isCurrent()) ++offThread;
      order += c;
    };
    QVERIFY(thread.post([&] { mark('a'); }));
    QVERIFY(thread.post([&] { mark(char('0' + thread.call([&] { mark('b'); return 7; }).get())); }));
    QVERIFY(thread.begin());
    QVERIFY(thread.postTask([&]() -> Task<void> {
      mark('c');
      co_await SteadyClock::instance().pause(50);
      mark('d');
    }));
    QVERIFY(thread.post([&] { mark('e'); }));
    QCOMPARE(thread.call([&] { mark('f'); return order; }).get(), std::string("ab7cdef"));
    QCOMPARE(offThread.load(), 0);
    QVERIFY(!thread.isCurrent());
  }

  // stop() lets every job posted before it end, within its bound or (reported false) after it,
  // and the thread is not torn down under a job; it refuses new jobs, and a call() refused gives
  // a broken promise.
  void stopEndsPostedJobsThenRefuses_data() {
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<int>("stopBoundMs");
    QTest::addColumn<bool>("stoppedInTime");
    QTest::newRow("job ends within the bound") << 20 << 5000 << true;
    QTest::newRow("job outlasts the bound") << 500 << 20 << false;
  }
  void stopEndsPostedJobsThenRefuses() {
    QFETCH(int, pauseMs);
    QFETCH(int, stopBoundMs);
    QFETCH(bool, stoppedInTime);
    std::atomic<int> ended{0};
    {
      LinkThread thread;
      QVERIFY(thread.begin());
      QVERIFY(thread.postTask([&]() -> Task<void> {
        co_await SteadyClock::instance().pause(pauseMs);
        ++ended;
      }));
      QVERIFY(thread.post([&] { ++ended; }));
      QCOMPARE(thread.stop(stopBoundMs), stoppedInTime);
      QCOMPARE(thread.isRunning(), !stoppedInTime);
      QVERIFY(!thread.post([&] { ended += 100; }));
      auto refused = thread.call([] { return 1; });
      QVERIFY_THROWS_EXCEPTION(std::future_error, refused.get());
    }
    QCOMPARE(ended.load(), 2);
  }
};

QTEST_GUILESS_MAIN(LinkThreadTest)
#include "test_link_thread.moc"
