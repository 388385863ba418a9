#pragma once
// The id of the calling process, asked of the system once and again only in
// a child made by fork: the drivers look at it on every write, to drop in a
// child what the parent's process held.

#include <sys/types.h>

namespace fesk::drivers {

pid_t thisProcess();

}  // namespace fesk::drivers
