#pragma once
// Another program changed the data set. A driver's watch finds out, from a
// thread of its own, that a change to a data file was committed elsewhere
// (another fesk, an import, another SQL client) and tells it here; whoever
// shows records (the browse library) hears it and brings what it shows up to
// date on its own threads. The hearer is called on the watch's thread, so it
// may only take note and wake the threads concerned.

#include <functional>
#include <string>

namespace apprt {

// The name of a data file whose change was committed elsewhere; kAnyDataFile
// when the watch may have missed changes (its connection was lost and is
// back), so that everything shown is to be read again.
using DataSetChangeHearer = std::function<void(const std::string& fileName)>;
inline constexpr const char* kAnyDataFile = "";

// Sets the one hearer (an empty one: nobody listens).
void hearDataSetChanges(DataSetChangeHearer hearer);
// Tells the hearer, if there is one; any thread.
void dataSetChanged(const std::string& fileName);

}  // namespace apprt
