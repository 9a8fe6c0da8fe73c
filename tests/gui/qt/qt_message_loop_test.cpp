#include "gui/qt/qt_message_loop.h"

#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

namespace kelvatrix {

using namespace std::chrono_literals;

class QtMessageLoopTest : public QObject {
  Q_OBJECT

 private slots:
  void handOffAlsoRunsFromTheApplicationsOwnLoop() {
    QtMessageLoop loop;
    bool ran = false;
    std::thread worker([&] { loop.InvokeAndWait([&] { ran = true; }); });
    QTRY_VERIFY_WITH_TIMEOUT(ran, 5000);  // QTRY spins Qt's event loop, not ours
    worker.join();
  }

  // Qt's own: a window event ends a long wait (the rest of the contract is the suite
  // both loops run, qt_message_loop_contract_test.cpp).
  void aWindowEventEndsALongWait() {
    QtMessageLoop loop;
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    // Other events of Qt's may end a wait first: each wait here is long, so only events
    // ending them brings the timer's round.
    const auto start = MessageLoop::Clock::now();
    while (!fired && MessageLoop::Clock::now() - start < 30s) {
      loop.WaitForMessages(MessageLoop::Clock::now() + 60s);
      loop.ProcessMessages();
    }
    QVERIFY(fired);
    QVERIFY(MessageLoop::Clock::now() - start < 30s);
  }

  // Stopping a reader runs its hand-offs, not the window's events: those wait for the
  // next real pass of the loop.
  void stopRunsHandOffsButNoWindowEvent() {
    QtMessageLoop loop;
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{false};
    std::atomic<int> delivered{0};
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    std::thread reader([&] {
      while (!stop) {
        loop.InvokeAndWait([&] {
          if (++delivered == 3) stop = true;
        });
      }
      ended = true;
      loop.Wake();
    });
    loop.RunHandOffsUntil(nullptr, [&] { return ended.load(); });
    reader.join();
    QCOMPARE(delivered.load(), 3);
    QVERIFY(!timerRan);
    QCoreApplication::processEvents();
    QVERIFY(timerRan);
  }
};

}  // namespace kelvatrix

QTEST_MAIN(kelvatrix::QtMessageLoopTest)
#include "qt_message_loop_test.moc"
