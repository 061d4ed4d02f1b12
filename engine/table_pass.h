// table_pass.h: one selected table of a replacement run: reads every record, decides each field's
// new value (single pair or the sets in order), logs it, writes it to that record alone, and
// counts what happened. The run (replacement_run.cpp) owns the connection and the error trap.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/handler_trap.h"
#include "db/recordset.h"
#include "engine/find_prefilter.h"
#include "engine/replacement_run.h"

namespace engine {

// What the run lends each table pass.
struct PassServices {
  RunContext& context;
  const FindPrefilter& prefilter;  // over the sets' find texts
  db::HandlerTrap& trap;
  ChangeLog& log;
  const std::string& logPath;
  std::optional<jet::Error>& logFailure;  // set once the log could not be written
  const RunMatching* matching = nullptr;  // the compiled find texts
};

class TablePass {
 public:
  TablePass(const RunInputs& inputs, PassServices services, db::Connection& connection,
            TableOutcome& outcome);

  // Walks the table from step 118 to step 158. False when the run must stop: the user asked
  // to, or the change log could not be written.
  bool run();
  // Changes made since the connection's last commit (none once the log failed: those are
  // already taken off the count).
  std::uint64_t uncommitted() const { return uncommitted_; }

 private:
  // How each field of the table is looked at: not at all (not chosen, or its texts cannot hold
  // a find text), as the text it holds, or through a text made of its value.
  enum class FieldUse : std::uint8_t { kSkip, kText, kAsText };
  void chooseFields(const db::Recordset& records);
  bool visitRecord(db::Recordset& records);
  void visitField(db::Recordset& records, std::size_t k);
  void single(db::Recordset& records, std::size_t k, const std::string& value);
  void multiple(db::Recordset& records, std::size_t k, const std::string& value);
  // Writes one log line at step `line`; false when it could not be written, which is reported
  // and stops the run.
  bool logLine(int line, std::string_view find, std::string_view replace,
               const std::string& column);
  // Step `line`: the record's field k becomes `newValue`.
  void write(int line, db::Recordset& records, std::size_t k, const std::string& oldValue,
             const std::string& newValue, const std::vector<std::size_t>* applied);
  void skip(const db::Recordset& records, std::size_t k, const std::string& oldValue,
            const jet::Error& reason);
  // Whether the run's filter lets this change be made (always, without one).
  bool accepted(const db::Recordset& records, std::size_t k, const std::string& oldValue,
                const std::string& newValue, const std::vector<std::size_t>* applied);
  // Hands the change to the run's recorder before it is made; false (reported, and the run
  // stops) when it could not be recorded.
  bool record(const FieldChange& change);
  // The log's time stamp of `now`, made once a second.
  const std::string& timestamp(const std::tm& now);
  bool mustStop();
  void progress(std::uint64_t row);

  const RunInputs& inputs_;
  PassServices services_;
  db::Connection& connection_;
  TableOutcome& outcome_;
  std::uint64_t rows_ = 0;
  std::vector<FieldUse> fields_;
  std::uint64_t commitsSeen_ = 0;  // the connection's commits when the last change was made
  std::uint64_t uncommitted_ = 0;  // changes made since then
  std::optional<std::string> stamp_;
  std::tm stampTime_{};
  // A refusal that is not about one value (a column the writer cannot change, a file it cannot
  // open for writing) is reported once; the later changes it would refuse too are skipped.
  std::map<std::size_t, jet::Error> columnRefusals_;
  std::optional<jet::Error> unwritable_;
};

}  // namespace engine
