"""What the web front-end's benchmarks share: `fesk serve` on a data directory
with a user of the benchmarks, on a free port of 127.0.0.1, a sign-in over
plain HTTP, and waiting on a condition."""
import http.client
import socket
import subprocess
import threading
import time

USER, PASSWORD = "bench", "bench password"


def wait_for(what, condition, timeout=120):
    """The condition's first true value; the benchmark ends, saying what it
    waited for, when none comes in time. The times are taken by what is
    measured, not here: a look at a browser's page runs on the page's own
    thread, so it looks seldom enough not to slow what it waits for."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise SystemExit("web bench: waited in vain for " + what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Server:
    """`fesk serve` on DATA with USER able to sign in, started with the
    options given; ready once it says it is serving."""

    def __init__(self, fesk, data, *options):
        subprocess.run([fesk, "serve", "--add-user", USER, "--data-dir", data],
                       input=PASSWORD + "\n", text=True, check=True, capture_output=True)
        self.port = free_port()
        self.origin = f"http://127.0.0.1:{self.port}"
        self.process = subprocess.Popen(
            [fesk, "serve", "--listen", f"127.0.0.1:{self.port}", "--data-dir", data, *options],
            stderr=subprocess.PIPE, text=True)
        wait_for("the server", lambda: "serving" in self.process.stderr.readline())
        # What it says later is read as it comes, so that it never waits on
        # a full pipe; the last lines are kept for a failure.
        self.said = []
        threading.Thread(target=self._listen, daemon=True).start()

    def _listen(self):
        for line in self.process.stderr:
            self.said = (self.said + [line])[-20:]

    def sign_in(self):
        """Signs USER in as a browser's form would; answers the session's
        cookie (name=value)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=60)
        form = f"name={USER}&password={PASSWORD.replace(' ', '+')}"
        try:
            connection.request("POST", "/sign-in", form,
                               {"Content-Type": "application/x-www-form-urlencoded",
                                "Origin": self.origin})
            response = connection.getresponse()
            cookie = (response.getheader("Set-Cookie") or "").split(";")[0]
            if response.status != 303 or not cookie.startswith("fesk_session="):
                raise SystemExit(f"web bench: the sign-in was answered {response.status}")
            return cookie
        finally:
            connection.close()

    def stop(self):
        self.process.terminate()
        self.process.wait(30)
