#include "drivers/postgres/pg_bulk_add.h"

#include <functional>

#include "drivers/postgres/pg_copy_text.h"
#include "drivers/postgres/pg_file.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/file_declaration.h"
#include "runtime/text/key_text.h"

namespace fesk::postgres {
namespace {

using apprt::BulkRefusal;
using apprt::DriverStatus;

// The COPY data gathered before it goes to the server.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;

class PgBulkAdd : public apprt::DriverBulkAdd {
 public:
  PgBulkAdd(PgFile& file, const std::string& schema, const apprt::KeyDeclaration* unique,
            const std::optional<apprt::ParentRule>& parent)
      : file_(file),
        unique_(unique),
        parent_(parent),
        staging_("pg_temp." + quotedName("bulk_" + file.declaration().fileName())) {
    const apprt::FileDeclaration& declared = file.declaration();
    std::string columns;
    std::string stagingColumns = "bulk_place bigint, bulk_last_place bigint";
    for (std::size_t i = 0; i < declared.fields().size(); ++i) {
      const std::string column = quotedColumn(declared, static_cast<int>(i));
      columns += (i ? ", " : "") + column;
      stagingColumns += ", " + column + " text COLLATE \"C\"";
    }
    // The values as the key and the parent rule compare them, staged beside
    // the record, so that the server compares them as the indexes hold them.
    std::string storedDuplicate = "false";
    std::string earlier = "NULL::bigint";
    if (unique_) {
      std::string rest;
      std::string partition;
      for (std::size_t i = 0; i < unique_->fields.size(); ++i) {
        const std::string staged = "bulk_key" + std::to_string(i + 1);
        stagingColumns += ", " + staged + " text COLLATE \"C\"";
        if (i > 0)
          rest += " AND " + foldedColumn(declared, unique_->fields[i]) + " = staged." + staged;
        partition += (i ? ", " : "") + staged;
      }
      // Stored as staged, or with blanks after the first value (by another
      // tool): either is the same key value.
      const std::string first = foldedColumn(declared, unique_->fields.front());
      const std::string from = "EXISTS (SELECT 1 FROM " + file.table() + " WHERE ";
      storedDuplicate = "(" + from + first + " = staged.bulk_key1" + rest + ") OR " + from +
                        paddedMatch(first, "staged.bulk_key1") + rest + "))";
      // A record refused for its parent holds no value for those after it.
      earlier =
          "min(bulk_place) FILTER (WHERE NOT bulk_orphan) OVER (PARTITION BY " + partition + ")";
    }
    std::string orphan = "false";
    if (parent_) {
      stagingColumns += ", bulk_parent text COLLATE \"C\"";
      const std::string parentColumn = foldedColumn(*parent_->parent, parent_->parentField);
      const std::string from =
          "NOT EXISTS (SELECT 1 FROM " + tableName(schema, *parent_->parent) + " WHERE ";
      orphan = from + parentColumn + " = staged.bulk_parent) AND " + from +
               paddedMatch(parentColumn, "staged.bulk_parent") + ")";
    }
    create_ = "DROP TABLE IF EXISTS " + staging_ + "; CREATE TEMP TABLE " + staging_ + " (" +
              stagingColumns + ") ON COMMIT DROP; ";
    judge_ = "WITH judged AS (SELECT staged.*, " + storedDuplicate + " AS bulk_stored, " + orphan +
             " AS bulk_orphan FROM " + staging_ + " AS staged), ranked AS (SELECT *, " + earlier +
             " AS bulk_earlier FROM judged), verdicts AS (SELECT *, CASE WHEN bulk_stored THEN " +
             reasonNumber(BulkRefusal::Reason::kStoredDuplicate) +
             " WHEN bulk_earlier < bulk_place THEN " +
             reasonNumber(BulkRefusal::Reason::kEarlierDuplicate) + " WHEN bulk_orphan THEN " +
             reasonNumber(BulkRefusal::Reason::kNoParent) +
             " ELSE 0 END AS bulk_reason FROM ranked), added AS (INSERT INTO " + file.table() +
             " (" + columns + ") SELECT " + columns +
             " FROM verdicts WHERE bulk_reason = 0 ORDER BY bulk_place RETURNING 1) SELECT "
             "bulk_place, " +
             columns +
             ", bulk_last_place, bulk_reason, bulk_earlier FROM verdicts WHERE bulk_reason <> 0 "
             "ORDER BY bulk_place";
  }

  DriverStatus send(std::span<const char> record, std::uint64_t place,
                    std::uint64_t lastPlace) override {
    std::vector<std::string> values;
    if (DriverStatus status = file_.storedValues(record, values); !status.ok()) return status;
    const apprt::FileDeclaration& declared = file_.declaration();
    rows_ += std::to_string(place) + '\t' + std::to_string(lastPlace);
    for (const std::string& value : values) {
      rows_ += '\t';
      appendCopyText(rows_, value);
    }
    if (unique_) {
      for (const int field : unique_->fields) {
        rows_ += '\t';
        appendCopyText(rows_, apprt::keyValue(declared.fieldBytesIn(record, field)));
      }
    }
    if (parent_) {
      rows_ += '\t';
      appendCopyText(rows_, apprt::keyValue(declared.fieldBytesIn(record, parent_->field)));
    }
    rows_ += '\n';
    return rows_.size() < kPieceBytes ? DriverStatus{} : sendPiece();
  }

  DriverStatus finish(std::vector<BulkRefusal>& refused,
                      const std::function<bool()>& goOn) override {
    if (DriverStatus status = sendPiece(); !status.ok()) return status;
    DriverStatus status;
    const Result result = file_.session().run(judge_, {}, status, goOn);
    if (!status.ok()) return status;
    const int fields = static_cast<int>(file_.declaration().fields().size());
    for (int row = 0; row < result.rows(); ++row) {
      const auto reason = static_cast<BulkRefusal::Reason>(result.number(row, fields + 2));
      refused.push_back({static_cast<std::uint64_t>(result.number(row, 0)),
                         static_cast<std::uint64_t>(result.number(row, fields + 1)), reason,
                         reason == BulkRefusal::Reason::kEarlierDuplicate
                             ? static_cast<std::uint64_t>(result.number(row, fields + 3))
                             : 0,
                         file_.imageOf(result, row)});
    }
    return {};
  }

 private:
  static std::string reasonNumber(BulkRefusal::Reason reason) {
    return std::to_string(static_cast<int>(reason));
  }

  // The rows gathered so far into the staging table (made at the first piece).
  DriverStatus sendPiece() {
    if (rows_.empty() && staged_) return {};
    file_.releaseReads();
    const std::string copy = "COPY " + staging_ + " FROM STDIN";
    // However many records there are, the work on them is never cut for its
    // length: only a network that says nothing ends it.
    DriverStatus status = file_.session().copyIn(
        staged_ ? copy : file_.session().liftTimeLimit() + create_ + copy, rows_);
    staged_ = true;
    rows_.clear();
    return status;
  }

  PgFile& file_;
  const apprt::KeyDeclaration* unique_;
  std::optional<apprt::ParentRule> parent_;
  std::string staging_;
  std::string create_;
  std::string judge_;
  std::string rows_;
  bool staged_ = false;
};

}  // namespace

std::unique_ptr<apprt::DriverBulkAdd> bulkAddTo(PgFile& file, const std::string& schema,
                                                const std::optional<apprt::ParentRule>& parent) {
  const apprt::FileDeclaration& declared = file.declaration();
  const apprt::KeyDeclaration* unique = nullptr;
  for (std::size_t key = 0; key < declared.keys().size(); ++key) {
    const auto& candidate = declared.key(static_cast<int>(key));
    if (candidate.allowsDuplicates()) continue;
    if (unique) return nullptr;
    unique = &candidate;
  }
  return std::make_unique<PgBulkAdd>(file, schema, unique, parent);
}

}  // namespace fesk::postgres
