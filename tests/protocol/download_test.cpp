#include "protocol/download.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "hid/backends/virtual/virtual_hid_bus.h"
#include "platform/queue_message_loop.h"

namespace kelvatrix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Time that moves only when the download waits, so 200 waits take no time at all.
std::int64_t fakeMicroseconds = 0;
std::int64_t FakeTicks() { return fakeMicroseconds; }

// A message loop on the fake clock. A wait jumps the clock to its deadline and counts;
// the script then answers in the next message processing, as a meter would during that
// wait.
class ScriptedLoop final : public MessageLoop {
 public:
  std::function<void(int wait)> onProcess;
  int waits = 0;

  void Post(Task task) override { inner_.Post(std::move(task)); }
  void InvokeAndWait(Task task, const void* sender) override { inner_.InvokeAndWait(std::move(task), sender); }
  void ProcessMessages() override {
    inner_.ProcessMessages();
    if (onProcess) onProcess(waits);
  }
  void WaitForMessages(Clock::time_point) override {
    ++waits;
    // Past any deadline a wait can have: every wait ends after exactly one of these,
    // however slowly the test runs (sanitizers).
    fakeMicroseconds += 1'000'000;
  }
  void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) override {
    inner_.RunHandOffsUntil(sender, done);
  }
  void Wake() override { inner_.Wake(); }

 private:
  QueueMessageLoop inner_;
};

struct Row {
  std::map<std::string, FieldValue> fields;
};

// The table, as the download uses it. `lockedResets` and `lockedPosts` make that many
// attempts find the database locked by another client (posts from `lockedFromRow` on).
class RecordingTable final : public MeasurementRows {
 public:
  bool Reset() override {
    if (lockedResets > 0) {
      --lockedResets;
      return false;
    }
    ++resets;
    rows.clear();
    return true;
  }
  void Append() override { pending = Row{}; }
  void SetField(std::string_view name, const FieldValue& value) override {
    pending.fields[std::string(name)] = value;
    order.emplace_back(name);
  }
  bool Post() override {
    if (rows.size() >= lockedFromRow && lockedPosts > 0) {
      --lockedPosts;
      ++refusedPosts;
      return false;
    }
    rows.push_back(pending);
    return true;
  }
  void Cancel() override { ++cancels; }
  void Refresh() override {}
  void Last() override {}

  std::string Text(std::size_t row, const std::string& field) const {
    const FieldValue& value = rows.at(row).fields.at(field);
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value)
                                                      : std::to_string(std::get<long long>(value));
  }

  int resets = 0;
  int lockedResets = 0;
  std::size_t lockedFromRow = 0;
  int lockedPosts = 0;
  int refusedPosts = 0;
  int cancels = 0;
  std::vector<Row> rows;
  std::vector<std::string> order;
  Row pending;
};

class RecordingChart final : public ChartTarget {
 public:
  void Clear() override {
    points.clear();
    calls.push_back("clear");
  }
  void SetAutoRepaint(bool on) override { calls.push_back(on ? "autorepaint" : "no autorepaint"); }
  void AddPoint(double x, double y) override { points.emplace_back(x, y); }
  void SetLeftAxisRange(double min, double max) override {
    range = {min, max};
    calls.push_back("range " + FormatGeneral(max));
  }
  void UndoZoom() override { calls.push_back("undo zoom"); }

  std::vector<std::pair<double, double>> points;
  std::pair<double, double> range{0, 0};
  std::vector<std::string> calls;
};

// A reply as it reaches ReplyData: the data bytes after the report ID, 64 of them.
Bytes Reply(std::initializer_list<std::uint8_t> data) {
  Bytes reply(data);
  reply.resize(64, 0);
  return reply;
}

class DownloadTest : public ::testing::Test {
 public:
  void SetUp() override {
    fakeMicroseconds = 0;
    VirtualDeviceConfig meter;
    meter.vendorId = 0x1234;
    meter.productId = 0x5678;
    bus.Plug(meter);  // a meter that never answers by itself: the script answers
    controller.SetOnEnumerate(HidEnumerateEvent::Bind<&MeterSelection::HidCtlEnumerate>(&selection));
    controller.SetLoading(true);
    controller.SetOnDeviceChange(HidNotifyEvent::Bind<&MeterSelection::HidCtlDeviceChange>(&selection));
    controller.SetLoading(false);
    selection.CreateDevList();
    loop.ProcessMessages();
    ASSERT_TRUE(selection.DevConnected());
  }
  void TearDown() override { loop.onProcess = nullptr; }

  // Answers the handshake in its wait and then one reply per fetch, each in the fetch's
  // first wait; `replies` beyond the list stay unanswered.
  void Script(std::vector<Bytes> replies, Bytes handshake = Reply({0xEF})) {
    loop.waits = 0;
    answeredWait = -1;
    loop.onProcess = [this, replies = std::move(replies), handshake](int wait) {
      if (wait == answeredWait) return;
      const int fetch = FetchOfWait(wait);
      if (fetch < 0) return;
      if (fetch == 0) {
        Deliver(handshake);
      } else if (fetch <= static_cast<int>(replies.size())) {
        Deliver(replies[static_cast<std::size_t>(fetch - 1)]);
      } else {
        return;
      }
      answeredWait = wait;
    };
  }
  // The command a wait belongs to: 0 the handshake, then the fetches, each answered in
  // its first wait (the first wait ends the fetch when the reply came).
  int FetchOfWait(int wait) const { return wait >= 1 ? wait - 1 : -1; }
  void Deliver(const Bytes& data) {
    exchange.ReplyData(*selection.CurrentDev(), 0, data.data(), static_cast<std::uint16_t>(data.size()));
  }

  ScriptedLoop loop;
  VirtualHidBus bus;
  HidDeviceController controller{loop, bus.Backend()};
  MeterSelection selection{controller};
  FormMessages messages;
  MeterExchange exchange{loop, messages, &FakeTicks};
  RecordingTable table;
  RecordingChart voltage;
  RecordingChart resistance;
  Download download{selection, exchange, table, voltage, resistance};
  int answeredWait = -1;
};

TEST_F(DownloadTest, WorkedReadingsOneDownloadEach) {
  const struct {
    Bytes reading;
    const char* voltage;
    const char* resistance;
    const char* unit;
    bool point;
    double y;
    double axisAfter;
  } cases[] = {
      {{0x81, 0xF4, 0x41, 0x2C}, "5000", "3", "M ohm", true, 3, 100},
      {{0x01, 0xF4, 0xA0, 0xFA}, "5000", "25", "G ohm", true, 25000, 25010},
      {{0x02, 0x58, 0x13, 0xFF}, "6000", "----", "M ohm", false, 0, 1033},
      {{0x0F, 0xFF, 0x63, 0xFF}, "40950", "1.023", "M ohm", true, 1.023, 100},
      {{0x01, 0xF4, 0x00, 0x64}, "5000", "100", "M ohm", true, 100, 100},  // equal: no growth
  };
  for (const auto& c : cases) {
    Bytes data = c.reading;
    data.insert(data.end(), {0xFF, 0, 0, 0});
    data.resize(64, 0);
    Script({data});
    const DownloadResult result = download.Run();
    SCOPED_TRACE(c.resistance);
    EXPECT_EQ(result.outcome, DownloadOutcome::EndMarker);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.Text(0, "times"), "1");
    EXPECT_EQ(table.Text(0, "recno"), "0");
    EXPECT_EQ(table.Text(0, "voltage"), c.voltage);
    EXPECT_EQ(table.Text(0, "unitv"), "V");
    EXPECT_EQ(table.Text(0, "register"), c.resistance);
    EXPECT_EQ(table.Text(0, "unitr"), c.unit);
    ASSERT_EQ(resistance.points.size(), c.point ? 1u : 0u);
    if (c.point) {
      EXPECT_EQ(resistance.points[0], std::make_pair(1.0, c.y));
    }
    EXPECT_EQ(voltage.points.size(), 1u);
    EXPECT_DOUBLE_EQ(download.ResAxisMax, c.axisAfter);
    EXPECT_DOUBLE_EQ(resistance.range.second, c.axisAfter);
  }
  EXPECT_EQ(table.order.front(), "times") << "fields are set in the described order";
}

TEST_F(DownloadTest, RowsCountOnAcrossRunStartsWhileTimesStartAgain) {
  Script({Reply({0x01, 0xF4, 0x41, 0x2C, 0x01, 0xF4, 0x41, 0x2D}),
          Reply({0x81, 0xF4, 0x41, 0x2E, 0x01, 0xF4, 0x41, 0x2F}),
          Reply({0x01, 0xF4, 0x41, 0x30, 0xFF})});
  const DownloadResult result = download.Run();
  EXPECT_EQ(result.outcome, DownloadOutcome::EndMarker);
  EXPECT_EQ(result.readings, 5);
  std::vector<std::string> times, recnos;
  for (std::size_t i = 0; i < table.rows.size(); ++i) {
    times.push_back(table.Text(i, "times"));
    recnos.push_back(table.Text(i, "recno"));
  }
  EXPECT_EQ(times, (std::vector<std::string>{"1", "2", "1", "2", "3"}));
  EXPECT_EQ(recnos, (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(voltage.points.back().first, 5);
  EXPECT_EQ(voltage.calls, (std::vector<std::string>{"clear", "autorepaint", "undo zoom"}));
  EXPECT_EQ(resistance.calls, (std::vector<std::string>{"range 100", "clear", "autorepaint", "undo zoom"}));
}

TEST_F(DownloadTest, EarlyEnds) {
  // First reply with the end marker: the table and series were emptied, nothing added.
  Script({Reply({0xFF})});
  EXPECT_EQ(download.Run().outcome, DownloadOutcome::EndMarker);
  EXPECT_EQ(table.resets, 1);
  EXPECT_TRUE(table.rows.empty());

  // A handshake answered with anything but EF: nothing is emptied, and the resistance
  // axis stays with the curve it was drawn for (reset to 0-100 it showed the old run's
  // curve as a stub at the left edge).
  resistance.range = {0, 5000};
  download.ResAxisMax = 4990;
  voltage.calls.clear();
  resistance.calls.clear();
  Script({}, Reply({0x00}));
  EXPECT_EQ(download.Run().outcome, DownloadOutcome::NotAcknowledged);
  EXPECT_EQ(table.resets, 1);
  EXPECT_TRUE(voltage.calls.empty());
  EXPECT_TRUE(resistance.calls.empty());
  EXPECT_EQ(resistance.range, std::make_pair(0.0, 5000.0));
  EXPECT_DOUBLE_EQ(download.ResAxisMax, 4990);
}

// A reply that ends inside a reading position leaves there the bytes of the reply before
// it: they are never stored as a reading. The end marker needs only its own byte.
TEST_F(DownloadTest, ShortReplyEndsTheDownloadBeforeItsStaleBytes) {
  const Bytes full = Reply({0x01, 0xF4, 0x41, 0x2C, 0x01, 0xF4, 0x41, 0x2D});
  const struct {
    Bytes second;  // the reply after a full one
    DownloadOutcome outcome;
    std::size_t rows;
  } cases[] = {
      {Bytes{}, DownloadOutcome::ShortReply, 2},
      {Bytes{0x02, 0x58}, DownloadOutcome::ShortReply, 2},
      {Bytes{0x02, 0x58, 0x41, 0x2E}, DownloadOutcome::ShortReply, 3},
      {Bytes{0x02, 0x58, 0x41, 0x2E, 0x01, 0xF4, 0x41}, DownloadOutcome::ShortReply, 3},
      {Bytes{0x02, 0x58, 0x41, 0x2E, 0xFF}, DownloadOutcome::EndMarker, 3},
      {Bytes{0xFF}, DownloadOutcome::EndMarker, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.second));
    Script({full, c.second});
    const DownloadResult result = download.Run();
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.readings, static_cast<int>(c.rows));
    ASSERT_EQ(table.rows.size(), c.rows);
    if (c.rows == 3) {
      EXPECT_EQ(table.Text(2, "voltage"), "6000");
    }
  }
}

TEST_F(DownloadTest, ReplyInThe200thWaitIsNotStored) {
  for (const int replyWait : {199, 200}) {
    fakeMicroseconds = 0;
    // The handshake takes wait 1; the first fetch waits from wait 2 on.
    loop.waits = 0;
    loop.onProcess = [this, replyWait](int wait) {
      if (wait == 1 && answeredWait != 1) {
        Deliver(Reply({0xEF}));
        answeredWait = 1;
      }
      if (wait == 1 + replyWait && answeredWait != wait) {
        Deliver(Reply({0x01, 0xF4, 0x41, 0x2C, 0xFF}));
        answeredWait = wait;
      }
    };
    answeredWait = -1;
    const DownloadResult result = download.Run();
    if (replyWait == 199) {
      EXPECT_EQ(result.outcome, DownloadOutcome::EndMarker);
      EXPECT_EQ(table.rows.size(), 1u);
    } else {
      EXPECT_EQ(result.outcome, DownloadOutcome::NoReply);
      EXPECT_TRUE(table.rows.empty());
    }
  }
}

TEST_F(DownloadTest, NoMeterChangesNothingAndASecondPressWhileWaitingIsIgnored) {
  MeterSelection none(controller);
  Download idle(none, exchange, table, voltage, resistance);
  EXPECT_EQ(idle.Run().outcome, DownloadOutcome::NoMeter);
  EXPECT_TRUE(resistance.calls.empty());
  EXPECT_TRUE(bus.Written(selection.CurrentDev()->PnPInfo().DevInst).empty());

  DownloadOutcome nested = DownloadOutcome::NoMeter;
  Script({Reply({0x01, 0xF4, 0x41, 0x2C, 0xFF})});
  auto script = loop.onProcess;
  loop.onProcess = [&](int wait) {
    if (wait == 2 && nested == DownloadOutcome::NoMeter) nested = download.Run().outcome;
    script(wait);
  };
  EXPECT_EQ(download.Run().outcome, DownloadOutcome::EndMarker);
  EXPECT_EQ(nested, DownloadOutcome::AlreadyRunning);
  EXPECT_EQ(table.rows.size(), 1u);
}

// A meter that answers every command as soon as it is written, however many waits come
// between (the waits for a locked database among them): the handshake with EF, each
// fetch with the next of `replies`.
void AnswerEveryCommand(DownloadTest& test, std::vector<Bytes> replies) {
  auto next = std::make_shared<std::size_t>(0);
  auto answered = std::make_shared<int>(-1);
  test.loop.onProcess = [&test, replies = std::move(replies), next, answered](int) {
    const std::uint8_t command = test.exchange.TxReport[1];
    if (command == Download::kHandshake && *answered != 0) {
      test.Deliver(Reply({0xEF}));
      *answered = 0;
    } else if (command == Download::kFetch && test.exchange.RxWaiting && *next < replies.size()) {
      test.Deliver(replies[(*next)++]);
    }
  };
}

const std::vector<Bytes> kFourReadings = {Reply({0x81, 0xF4, 0x41, 0x2C, 0x01, 0xF4, 0xA0, 0xFA}),
                                          Reply({0x02, 0x58, 0x13, 0xFF, 0x0F, 0xFF, 0x63, 0xFF}),
                                          Reply({0xFF})};

// Another client holding the database for a while (a report tool reading, a copy of the
// file) costs no reading: the download waits for it, trying again and again.
TEST_F(DownloadTest, ALockedDatabaseDelaysTheDownloadWithoutLosingAReading) {
  table.lockedResets = 5;
  table.lockedFromRow = 2;
  table.lockedPosts = 20;  // 20 tries a second apart: well inside the patience
  AnswerEveryCommand(*this, kFourReadings);
  const DownloadResult result = download.Run();
  EXPECT_EQ(result.outcome, DownloadOutcome::EndMarker);
  EXPECT_EQ(result.readings, 4);
  ASSERT_EQ(table.rows.size(), 4u);
  EXPECT_EQ(table.Text(3, "recno"), "3");
  EXPECT_EQ(table.refusedPosts, 20);
  EXPECT_EQ(table.cancels, 0);
}

// A lock that outlasts the patience ends the download with what was stored: the row that
// could not be posted goes, and the count says exactly what is in the table.
TEST_F(DownloadTest, ALockLongerThanThePatienceEndsTheDownloadWithWhatWasStored) {
  table.lockedFromRow = 2;
  table.lockedPosts = 1000;
  AnswerEveryCommand(*this, kFourReadings);
  const std::int64_t before = fakeMicroseconds;
  const DownloadResult result = download.Run();
  EXPECT_EQ(result.outcome, DownloadOutcome::DatabaseLocked);
  EXPECT_EQ(result.readings, 2);
  EXPECT_EQ(table.rows.size(), 2u);
  EXPECT_EQ(table.cancels, 1);
  EXPECT_GT(fakeMicroseconds - before, std::int64_t{Download::kLockPatienceMs} * 1000);
  EXPECT_LT(fakeMicroseconds - before, std::int64_t{Download::kLockPatienceMs} * 1000 + 10'000'000);

  table.lockedResets = 1000;
  resistance.range = {0, 5000};
  resistance.calls.clear();
  AnswerEveryCommand(*this, kFourReadings);
  const DownloadResult reset = download.Run();
  EXPECT_EQ(reset.outcome, DownloadOutcome::DatabaseLocked);
  EXPECT_EQ(reset.readings, 0);
  EXPECT_EQ(table.rows.size(), 2u) << "the table keeps its rows";
  EXPECT_EQ(resistance.range, std::make_pair(0.0, 5000.0)) << "and the chart its curve's axis";
  EXPECT_TRUE(resistance.calls.empty());
}

// The window closes during a download: it ends at its next wait, and what was stored
// stays.
TEST_F(DownloadTest, AStopEndsTheDownloadAtItsNextWait) {
  AnswerEveryCommand(*this, {kFourReadings[0]});  // then the meter is silent
  auto answer = loop.onProcess;
  loop.onProcess = [&](int wait) {
    answer(wait);
    if (table.rows.size() == 2) download.Stop();
  };
  const DownloadResult result = download.Run();
  EXPECT_EQ(result.outcome, DownloadOutcome::Stopped);
  EXPECT_EQ(result.readings, 2);
  EXPECT_LT(loop.waits, 10) << "it did not wait out the fetch";
  EXPECT_FALSE(download.Running());
  download.Stop();  // none runs: nothing to stop, the next download runs whole
  AnswerEveryCommand(*this, kFourReadings);
  EXPECT_EQ(download.Run().outcome, DownloadOutcome::EndMarker);
}

TEST_F(DownloadTest, CommandsGoOutAsFullOutputReports) {
  Script({Reply({0xFF})});
  download.Run();
  const auto written = bus.Written(selection.CurrentDev()->PnPInfo().DevInst);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].size(), 65u);
  EXPECT_EQ(written[0][0], 0x00);
  EXPECT_EQ(written[0][1], 0xB5);
  EXPECT_EQ(written[1][1], 0xC4);
  EXPECT_EQ(exchange.RxBuf[MeterExchange::kFetchMarkerSlot], 1);
}

// ReplyData on its own: whatever the report's size, nothing past the 65 data slots.
TEST_F(DownloadTest, ReplyDataKeepsToTheTable) {
  Bytes big(300);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i);
  HidDevice& device = *selection.CurrentDev();

  exchange.ReplyData(device, 0, big.data(), 300);
  EXPECT_EQ(exchange.RxBuf[64], 64);
  EXPECT_EQ(exchange.RxBuf[65], 299);
  EXPECT_EQ(exchange.RxBuf[66], 0) << "the fetch marker is not a data slot";

  exchange.ReplyData(device, 0, big.data() + 10, 2);  // shorter: higher slots stay
  EXPECT_EQ(exchange.RxBuf[0], 10);
  EXPECT_EQ(exchange.RxBuf[2], 2);
  EXPECT_EQ(exchange.RxBuf[65], 1);

  exchange.RxWaiting = true;
  exchange.ReplyData(device, 0, nullptr, 0);  // only the ID byte
  EXPECT_EQ(exchange.RxBuf[65], -1);
  EXPECT_EQ(exchange.RxBuf[0], 10);
  EXPECT_TRUE(exchange.RxWaiting) << "before the first fetch replies leave the flag alone";
  exchange.RxBuf[66] = 1;
  exchange.ReplyData(device, 0, nullptr, 0);
  EXPECT_FALSE(exchange.RxWaiting);
}

TEST(MeterExchange, FailedOrImpossibleWritesOnlyLeaveTheMessage) {
  QueueMessageLoop loop;
  FormMessages messages;
  MeterExchange exchange(loop, messages);
  exchange.SendCommand(nullptr);
  EXPECT_EQ(messages.MsgCaption, "WRITE USB ERROR!");
  EXPECT_EQ(messages.MsgText, "write usb error");
}

TEST(MeterExchange, PacedWaitProcessesAtLeastOnceAndReturnsJustPastItsTime) {
  QueueMessageLoop loop;
  FormMessages messages;
  MeterExchange exchange(loop, messages);
  int ran = 0;
  loop.Post([&] { ++ran; });
  const auto start = std::chrono::steady_clock::now();
  exchange.PacedWait(0);
  EXPECT_EQ(ran, 1);
  exchange.PacedWait(20);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(took, std::chrono::milliseconds(20));
  // How close to its time a wait ends is download_bench's figure; here only that it ends.
  EXPECT_LT(took, std::chrono::seconds(10));
}

}  // namespace
}  // namespace kelvatrix
