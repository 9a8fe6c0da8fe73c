// The download fed by a meter whose replies are the fuzzer's bytes (any device can claim
// the meter's identity): the rows it stores are exactly the readings the replies hold, up
// to the first end marker, short reply or missing reply, and then it ends cleanly.
//
// The input, piece after piece: one byte, the length of a reply (0-255, 255 meaning no
// reply at all), then that many bytes of the reply; the first piece answers the handshake.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "hid/backends/virtual/virtual_hid_bus.h"
#include "hid/hid_device_controller.h"
#include "platform/queue_message_loop.h"
#include "protocol/download.h"

namespace {

using namespace kelvatrix;
using Bytes = std::vector<std::uint8_t>;

std::int64_t fakeMicroseconds = 0;
std::int64_t FakeTicks() { return fakeMicroseconds; }

// Time moves only when the download waits: a wait jumps past any deadline it can have.
class JumpingLoop final : public MessageLoop {
 public:
  std::function<void()> onProcess;
  void Post(Task task) override { inner_.Post(std::move(task)); }
  void InvokeAndWait(Task task, const void* sender) override {
    inner_.InvokeAndWait(std::move(task), sender);
  }
  void ProcessMessages() override {
    inner_.ProcessMessages();
    if (onProcess) onProcess();
  }
  void WaitForMessages(Clock::time_point) override { fakeMicroseconds += 1'000'000; }
  void RunHandOffsUntil(const void* sender, const std::function<bool()>& done) override {
    inner_.RunHandOffsUntil(sender, done);
  }
  void Wake() override { inner_.Wake(); }

 private:
  QueueMessageLoop inner_;
};

class Rows final : public MeasurementRows {
 public:
  bool Reset() override {
    rows.clear();
    return true;
  }
  void Append() override { pending.clear(); }
  void SetField(std::string_view name, const FieldValue& value) override {
    pending[std::string(name)] = std::holds_alternative<std::string>(value)
                                     ? std::get<std::string>(value)
                                     : std::to_string(std::get<long long>(value));
  }
  bool Post() override {
    rows.push_back(pending);
    return true;
  }
  void Cancel() override {}
  void Refresh() override {}
  void Last() override {}
  std::vector<std::map<std::string, std::string>> rows;
  std::map<std::string, std::string> pending;
};

class Chart final : public ChartTarget {
 public:
  void Clear() override {}
  void SetAutoRepaint(bool) override {}
  void AddPoint(double, double) override {}
  void SetLeftAxisRange(double, double) override {}
  void UndoZoom() override {}
};

struct Rig {
  Rig() {
    VirtualDeviceConfig meter;
    meter.vendorId = 0x1234;
    meter.productId = 0x5678;
    devInst = bus.Plug(meter);  // it never answers by itself: the fuzzer's replies do
    controller.SetOnEnumerate(
        HidEnumerateEvent::Bind<&MeterSelection::HidCtlEnumerate>(&selection));
    controller.SetLoading(true);
    controller.SetOnDeviceChange(
        HidNotifyEvent::Bind<&MeterSelection::HidCtlDeviceChange>(&selection));
    controller.SetLoading(false);
    selection.CreateDevList();
    loop.ProcessMessages();
  }
  JumpingLoop loop;
  VirtualHidBus bus;
  std::uint32_t devInst = 0;
  HidDeviceController controller{loop, bus.Backend()};
  MeterSelection selection{controller};
  FormMessages messages;
  MeterExchange exchange{loop, messages, &FakeTicks};
};

// The rows the replies hold, read straight from the reading layout.
std::vector<std::map<std::string, std::string>> Expected(
    const std::vector<std::optional<Bytes>>& replies) {
  std::vector<std::map<std::string, std::string>> rows;
  if (replies.empty() || !replies[0] || replies[0]->empty() || (*replies[0])[0] != 0xEF)
    return rows;
  int times = 0;
  for (std::size_t fetch = 1; fetch < replies.size(); ++fetch) {
    if (!replies[fetch]) return rows;  // no reply: the download ends
    const Bytes& reply = *replies[fetch];
    for (const std::size_t slot : {0u, 4u}) {
      if (reply.size() > slot && reply[slot] == 0xFF) return rows;
      if (reply.size() < slot + 4) return rows;
      const std::uint8_t b0 = reply[slot], b1 = reply[slot + 1];
      const unsigned word = reply[slot + 2] * 256u + reply[slot + 3];
      if (b0 & 0x80) times = 0;
      ++times;
      const unsigned decimals = (word >> 13) & 3;
      const double value = (word & 0x3FF) / (decimals == 0   ? 1.0
                                             : decimals == 1 ? 10.0
                                             : decimals == 2 ? 100.0
                                                             : 1000.0);
      char text[64];
      std::snprintf(text, sizeof text, "%.15g", value);
      rows.push_back({{"times", std::to_string(times)},
                      {"recno", std::to_string(rows.size())},
                      {"voltage", std::to_string(((b0 & 0x0F) * 256 + b1) * 10)},
                      {"unitv", "V"},
                      {"register", (word & 0x1000) ? "----" : text},
                      {"unitr", (word & 0x8000) ? "G ohm" : "M ohm"}});
    }
  }
  return rows;  // the replies ran out: the next fetch gets none
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Rig rig;
  fuzz::Input input(data, size);
  std::vector<std::optional<Bytes>> replies;
  while (!input.Empty() && replies.size() < 200) {
    const std::uint8_t length = input.Byte();
    if (length == 255) {
      replies.emplace_back();
      continue;
    }
    Bytes reply;
    for (int i = 0; i < length && !input.Empty(); ++i) reply.push_back(input.Byte());
    replies.emplace_back(reply);
  }

  // Each command written gets the next reply, in the first message processing after it;
  // a missing one leaves that command unanswered.
  std::size_t answered = 0;
  rig.loop.onProcess = [&] {
    const std::size_t written = rig.bus.Written(rig.devInst).size();
    if (written == answered) return;
    answered = written;
    if (written > replies.size()) return;
    const std::optional<Bytes>& reply = replies[written - 1];
    if (reply)
      rig.exchange.ReplyData(*rig.selection.CurrentDev(), 0, reply->data(),
                             static_cast<std::uint16_t>(reply->size()));
  };
  Rows table;
  Chart voltage, resistance;
  Download download(rig.selection, rig.exchange, table, voltage, resistance);
  const DownloadResult result = download.Run();
  rig.loop.onProcess = nullptr;

  const auto expected = Expected(replies);
  FUZZ_REQUIRE(result.readings == static_cast<int>(table.rows.size()));
  FUZZ_REQUIRE(table.rows == expected);
  return 0;
}
