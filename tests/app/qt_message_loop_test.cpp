#include "app/qt_message_loop.h"

#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

namespace kelvatrix {

using namespace std::chrono_literals;

class QtMessageLoopTest : public QObject {
  Q_OBJECT

 private slots:
  void handOffRunsOnTheUserInterfaceThreadInsideProcessMessages() {
    QtMessageLoop loop;
    const auto uiThread = std::this_thread::get_id();
    std::thread::id ranOn;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
      loop.InvokeAndWait([&] { ranOn = std::this_thread::get_id(); });
      returned = true;
    });
    const auto deadline = MessageLoop::Clock::now() + 5s;
    while (!returned && MessageLoop::Clock::now() < deadline) {
      loop.WaitForMessages(MessageLoop::Clock::now() + 50ms);
      loop.ProcessMessages();
    }
    worker.join();
    QVERIFY(returned);
    QVERIFY(ranOn == uiThread);
  }

  void handOffAlsoRunsFromTheApplicationsOwnLoop() {
    QtMessageLoop loop;
    bool ran = false;
    std::thread worker([&] { loop.InvokeAndWait([&] { ran = true; }); });
    QTRY_VERIFY_WITH_TIMEOUT(ran, 5000);  // QTRY spins Qt's event loop, not ours
    worker.join();
  }

  void waitEndsAtTheDeadlineAndOnWindowEvents() {
    QtMessageLoop loop;
    auto start = MessageLoop::Clock::now();
    loop.WaitForMessages(start + 40ms);
    const auto waited = MessageLoop::Clock::now() - start;
    QVERIFY(waited >= 40ms);  // the timer that bounds the wait ends short of it: not returned there
    QVERIFY(waited < 2s);

    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    start = MessageLoop::Clock::now();
    loop.WaitForMessages(start + 10s);
    QVERIFY(MessageLoop::Clock::now() - start < 5s);
    loop.ProcessMessages();
    QVERIFY(fired);
  }

  // A reader's report that comes during a short paced wait does not end it: the wait is
  // slept out whole, the report runs after it. In a long wait it ends the wait at once.
  void shortWaitIsSleptOutAndAReportEndsALongOne() {
    QtMessageLoop loop;
    for (const auto wait : {15ms, 5000ms}) {
      std::atomic<bool> go{false};
      std::atomic<bool> ran{false};
      std::thread reader([&] {
        while (!go) std::this_thread::yield();
        loop.InvokeAndWait([&] { ran = true; });
      });
      const auto start = MessageLoop::Clock::now();
      go = true;
      loop.WaitForMessages(start + wait);
      const auto waited = MessageLoop::Clock::now() - start;
      const auto giveUp = MessageLoop::Clock::now() + 5s;
      while (!ran && MessageLoop::Clock::now() < giveUp) {
        loop.WaitForMessages(MessageLoop::Clock::now() + 50ms);
        loop.ProcessMessages();
      }
      reader.join();
      QVERIFY(ran);
      if (wait == 15ms) {
        QVERIFY(waited >= wait);
      } else {
        QVERIFY(waited < 2s);
      }
    }
  }

  void stopRunsHandOffsOnlyUntilTheWorkerHasEnded() {
    QtMessageLoop loop;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    std::atomic<int> delivered{0};
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    std::thread reader([&] {
      while (!stop) loop.InvokeAndWait([&] { ++delivered; });
      ended = true;
      loop.Wake();
    });
    std::this_thread::sleep_for(20ms);
    stop = true;
    loop.RunHandOffsUntil(nullptr, [&] { return ended.load(); });
    reader.join();
    QVERIFY(!timerRan);  // window events wait for the next real pass of the loop
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::QtMessageLoopTest)
#include "qt_message_loop_test.moc"
