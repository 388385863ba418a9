#pragma once
// The server sessions of this program that write, by the server's number for
// each (its backend process id): a notification of a commit (pg_change_listener.h)
// that one of them sent is this program's own, and its lists already show it.
// A session is known by the number it had at its last write transaction.

namespace fesk::postgres {

// Session `session` (any address of its own) began a write transaction as
// backend `backendPid`.
void writesAs(const void* session, int backendPid);
// The session is gone.
void forgetSession(const void* session);
// Whether backend `backendPid` is one of this program's writing sessions.
bool isOwnBackend(int backendPid);

}  // namespace fesk::postgres
