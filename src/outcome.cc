#include "outcome.h"

#include <array>
#include <cstddef>

#include "version.h"

namespace {

constexpr const char* kUsageText =
    "usage: Drag&Drop swf to this exe\n"
    "  version " KESTRABIN_VERSION
    "\n"
    "  " KESTRABIN_COPYRIGHT
    ", MIT licence\n"
    "  Help: man kestrabin, or README.txt beside kestrabin.exe";

struct OutcomeRow {
  Outcome outcome;
  int status;
  const char* notice;
};

constexpr std::array kOutcomeTable{
    OutcomeRow{Outcome::Patched, 0, "swf file version updated to 9"},
    OutcomeRow{Outcome::Usage, -1, kUsageText},
    OutcomeRow{Outcome::OpenFailed, -2, "File open error"},
    OutcomeRow{Outcome::ReadError, -3, "File read error"},
    OutcomeRow{Outcome::ShortRead, -4, "File read error"},
    OutcomeRow{Outcome::NotSwf, -5, "File is not swf file"},
    OutcomeRow{Outcome::SeekFailed, -6, "File error"},
    OutcomeRow{Outcome::WriteError, -7, "File write error"},
    OutcomeRow{Outcome::ShortWrite, -8, "File write error"},
    OutcomeRow{Outcome::CloseFailed, -9, "File close error(file updated)"},
};

// The table is indexed by the enum, so its rows must stay in enum order.
constexpr bool table_in_enum_order() {
  for (std::size_t i = 0; i < kOutcomeTable.size(); ++i) {
    if (static_cast<std::size_t>(kOutcomeTable[i].outcome) != i) {
      return false;
    }
  }
  return kOutcomeTable.size() == static_cast<std::size_t>(Outcome::CloseFailed) + 1;
}
static_assert(table_in_enum_order());

constexpr const OutcomeRow& row_of(Outcome outcome) {
  return kOutcomeTable[static_cast<std::size_t>(outcome)];
}

}  // namespace

int exit_status(Outcome outcome) { return row_of(outcome).status; }

const char* notice_text(Outcome outcome) { return row_of(outcome).notice; }
