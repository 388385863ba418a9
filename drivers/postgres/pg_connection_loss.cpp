// What a session does when the server goes away: the failure it tells (what
// became of the transaction, the server, the reason), and a commit whose
// answer was lost, settled by asking the server.
#include <algorithm>
#include <chrono>
#include <thread>

#include "drivers/postgres/pg_connection.h"
#include "drivers/postgres/pg_messages.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

constexpr const char* kRolledBack = "the transaction was rolled back";
constexpr const char* kAllOrNone = "the server kept all of the transaction or none of it";
// How often, and how far apart, a lost commit's outcome is asked for while
// the server still holds the transaction in progress.
constexpr int kSettleAsks = 10;
constexpr std::chrono::milliseconds kSettlePause{50};

// Whole seconds, rounded up: "in 1 s" for any wait under a second.
long long seconds(std::chrono::milliseconds wait) {
  return (wait.count() + 999) / 1000;
}

}  // namespace

std::string Connection::lossConsequence() const {
  if (committing_) return kAllOrNone;
  return inTransaction_ ? kRolledBack : "";
}

// What became of the transaction comes first, then the server, then the
// reason, which gives way where the text must be cut to fit.
DriverStatus Connection::unreachable(const std::string& what, const std::string& why) const {
  const std::string consequence = lossConsequence();
  const std::string head = (consequence.empty() ? "" : consequence + ": ") + server() + what;
  const std::size_t room = kMessageLength - std::min(kMessageLength, head.size());
  return {
      apprt::kDriverError, std::string(apprt::kUnreachableDriverCode),
      fittedToWords(head + fittedToWords(why, std::max<std::size_t>(room, 16)), kMessageLength)};
}

DriverStatus Connection::lost(const std::string& why) const {
  return unreachable(" cannot be reached: ", libpqReason(why));
}

DriverStatus Connection::notAnswering() {
  DriverStatus status =
      unreachable(" is not answering: ",
                  "nothing came back in " + std::to_string(seconds(rules_.answerTimeout)) + " s");
  lossReason_ = "it stopped answering";
  close();
  return status;
}

DriverStatus Connection::settleLostCommit(DriverStatus status) {
  uncertain_ = std::move(written_);
  written_.clear();
  const std::string why = lossReason_;
  if (uncertain_.empty() || !open().ok()) return status;
  // The server may not yet have noticed that the old session is gone, and
  // holds its transaction "in progress" until it does: asked again a few
  // times, it tells most losses for certain.
  std::string outcome = transactionStatus(uncertain_.transaction());
  for (int asked = 1; outcome == "in progress" && asked < kSettleAsks; ++asked) {
    std::this_thread::sleep_for(kSettlePause);
    outcome = transactionStatus(uncertain_.transaction());
  }
  if (outcome == "committed") {
    uncertain_.clear();
    return {};
  }
  if (outcome != "aborted") return status;
  uncertain_.clear();
  committing_ = false;  // it is known now: rolled back
  return lost(why);
}

std::string Connection::transactionStatus(const std::string& transaction) {
  DriverStatus status;
  const Result result = run("SELECT txid_status($1)", {transaction}, status);
  return status.ok() && result.rows() == 1 ? std::string(result.text(0, 0)) : "";
}

bool Connection::keptByLostCommit(const std::string& table, apprt::RecordIdentity identity,
                                  const std::string& image) {
  if (!uncertain_.wroteAs(table, identity, image)) return false;
  const bool kept = transactionStatus(uncertain_.transaction()) == "committed";
  uncertain_.clear();
  return kept;
}

}  // namespace fesk::postgres
