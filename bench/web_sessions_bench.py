#!/usr/bin/python3
"""Many signed-in sessions of the web front-end paging at once, each a client
of the page's protocol over its own WebSocket (no browser), on a data
directory whose FESK1 holds 1,000,000 records (bench/web_data_set makes it):

  web_pgdn_p95_ms_50_sessions   50 sessions, each with the browse open, send
                                PgDn together, round after round for a while;
                                each times its PgDn from the sending to the
                                list's next rows received; the 95th percentile
                                over all of them

The median and the worst are printed after it as a comment.

Usage: web_sessions_bench.py FESK_PROGRAM DATA_DIRECTORY
"""
import json
import statistics
import sys
import threading
import time

import websocket

from web_bench_support import Server

FESK, DATA = sys.argv[1], sys.argv[2]
SESSIONS = 50
ROUNDS = 30
PAGE_DOWN = 34
BROWSE_ITEM = "&fesk"  # the menu bar's item that opens the browse


class Session:
    """One signed-in session, seen as its page sees it: the windows and
    their controls as the differences the program sends build them up."""

    def __init__(self, server):
        self.socket = websocket.create_connection(
            f"ws://127.0.0.1:{server.port}/session", header=["Cookie: " + server.sign_in()],
            origin=server.origin, timeout=120)
        self.windows = {}  # handle -> {"kind": ..., "controls": {field: control}}

    def receive(self):
        """Takes in the next message; answers it."""
        m = json.loads(self.socket.recv())
        if m.get("t") == "window":
            w = self.windows.setdefault(m["handle"], {"kind": m["kind"], "controls": {}})
            for c in m["controls"]:
                w["controls"][c["field"]] = c
            for field in m["removed"]:
                w["controls"].pop(field, None)
        elif m.get("t") == "closed":
            self.windows.pop(m["handle"], None)
        return m

    def receive_until(self, condition):
        while True:
            self.receive()
            found = condition()
            if found:
                return found

    def browse_item(self):
        for handle, w in self.windows.items():
            if w["kind"] == "frame":
                for c in w["controls"].values():
                    if c["kind"] == "item" and c["text"] == BROWSE_ITEM:
                        return handle, c["field"]
        return None

    def list_rows(self):
        """The browse's window and what its list shows (the first code and
        the row selected), once it shows rows."""
        for handle, w in self.windows.items():
            for c in w["controls"].values():
                if c["kind"] == "list" and c.get("rows") and c["rows"][0][0].strip():
                    return handle, (c["rows"][0][0], c["selected"])
        return None

    def open_browse(self):
        frame, item = self.receive_until(self.browse_item)
        self.socket.send(json.dumps({"t": "menu", "w": frame, "f": item}))
        self.browse, _ = self.receive_until(self.list_rows)
        # The first PgDn goes to the page's last row, which later ones keep
        # while the rows move on; it is not counted.
        self.page_down()

    def page_down(self):
        """Sends PgDn; answers the seconds until the list's next rows came."""
        shown = self.list_rows()[1]
        sent = time.monotonic()
        self.socket.send(json.dumps({"t": "key", "w": self.browse, "code": PAGE_DOWN}))
        self.receive_until(lambda: self.list_rows()[1] != shown)
        return time.monotonic() - sent

    def close(self):
        self.socket.close()


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def main():
    server = Server(FESK, DATA, "--sessions-per-user", str(SESSIONS))
    sessions = []
    try:
        for _ in range(SESSIONS):
            sessions.append(Session(server))
        for s in sessions:
            s.open_browse()
        times, failures = [], []
        together = threading.Barrier(SESSIONS)

        def page_on(session):
            try:
                for _ in range(ROUNDS):
                    together.wait()
                    times.append(session.page_down())
            except Exception as e:  # the figure is not taken; the reason is said
                failures.append(repr(e))
                together.abort()

        pagers = [threading.Thread(target=page_on, args=(s,)) for s in sessions]
        for p in pagers:
            p.start()
        for p in pagers:
            p.join()
        if failures:
            raise SystemExit("web bench: a session failed: " + failures[0] + "".join(server.said))
        ms = [t * 1000 for t in times]
        print(f"web_pgdn_p95_ms_{SESSIONS}_sessions={percentile(ms, 0.95):.0f}")
        print(f"# {len(ms)} page downs: median {statistics.median(ms):.0f} ms, "
              f"the worst {max(ms):.0f} ms")
    finally:
        for s in sessions:
            s.close()
        server.stop()


main()
