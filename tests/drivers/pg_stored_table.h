#pragma once
// The small table that the pipeline and gathered-write tests update in runs:
// the records r1, r2 and r4 (r3 is missing), and a run of updates over their
// identities that answers the places it carried out.

namespace fesk::test {

constexpr const char* kStored =
    "CREATE TEMP TABLE stored (id text, value text); "
    "INSERT INTO stored VALUES ('r1', ''), ('r2', ''), ('r4', '')";
constexpr const char* kUpdateMany =
    "UPDATE stored SET value = gathered.value FROM unnest($1::text[], $2::text[]) "
    "WITH ORDINALITY AS gathered(value, id, place) WHERE stored.id = gathered.id "
    "RETURNING gathered.place";

}  // namespace fesk::test
