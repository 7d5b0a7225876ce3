#include "scanner/recipient_machine.h"
#include "scanner/report_buffer.h"
#include "scanner/scanner.h"

namespace recipscan {
namespace {

class MachineFeeder final : public BlockConsumer {
 public:
  MachineFeeder(RecipientMachine& machine, ReportBuffer& out)
      : machine_(machine), out_(out) {}

  void consume(const std::uint8_t* data, std::size_t size) override {
    machine_.feed(data, size, out_);
    // Records found in a block go out with it, so a long scan shows them as
    // it goes rather than when 64 KiB of report have piled up.
    out_.flush();
  }

 private:
  RecipientMachine& machine_;
  ReportBuffer& out_;
};

}  // namespace

ScanStatus scan_recipients(ByteSource& input, ReportSink& report) {
  ReportBuffer out(report);
  RecipientMachine machine;
  MachineFeeder feeder(machine, out);
  bool complete = input.read_all(feeder);
  // Also after a read failure: a record it cut short still gets its end, so
  // what follows the report starts on a line of its own.
  machine.finish(out);
  if (!out.flush()) return ScanStatus::write_error;
  return complete ? ScanStatus::ok : ScanStatus::read_error;
}

}  // namespace recipscan
