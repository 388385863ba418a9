"""A headless Firefox ESR driven through its own WebDriver BiDi remote agent:
no separate driver program, only the browser and a WebSocket to it."""
import base64
import json
import os
import re
import shutil
import subprocess

import websocket

from served import wait_for

FIREFOX = "/usr/bin/firefox-esr"

# The profile's preferences: a quiet browser that asks nothing and fetches
# nothing.
PREFERENCES = {
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "network.captive-portal-service.enabled": False,
    "network.connectivity-service.enabled": False,
    "browser.safebrowsing.update.enabled": False,
    "extensions.update.enabled": False,
    "signon.rememberSignons": False,
}
# The colour scheme the browser asks pages for: 0 dark, 1 light. This
# version's BiDi has no emulation of it, so the preference itself is set.
COLOUR_SCHEME = "layout.css.prefers-color-scheme.content-override"

# WebDriver's code points for the keys that type no character.
KEYS = {"Enter": "\ue007", "Tab": "\ue004", "PageDown": "\ue00f", "Home": "\ue011",
        "Control": "\ue009", "Alt": "\ue00a"}


class Node:
    """A page's element as the remote agent names it."""

    def __init__(self, shared_id):
        self.shared_id = shared_id


class ScriptError(Exception):
    """What the page's script threw."""


def local_value(value):
    """A Python value as the argument of a function run in the page."""
    if isinstance(value, Node):
        return {"sharedId": value.shared_id}
    if value is None:
        return {"type": "null"}
    if isinstance(value, bool):
        return {"type": "boolean", "value": value}
    if isinstance(value, (int, float)):
        return {"type": "number", "value": value}
    if isinstance(value, str):
        return {"type": "string", "value": value}
    if isinstance(value, (list, tuple)):
        return {"type": "array", "value": [local_value(v) for v in value]}
    return {"type": "object", "value": [[k, local_value(v)] for k, v in value.items()]}


def python_value(remote):
    """What a function run in the page answered, as a Python value."""
    kind, value = remote["type"], remote.get("value")
    if kind in ("undefined", "null"):
        return None
    if kind == "node":
        return Node(remote["sharedId"])
    if kind in ("array", "set"):
        return [python_value(v) for v in value]
    if kind == "object":
        return {k: python_value(v) for k, v in value}
    if kind == "number" and isinstance(value, str):  # NaN, -0, Infinity
        return float(value)
    return value


class Firefox:
    """A browser of its own profile in the directory given, its one tab the
    context that every command works on."""

    def __init__(self, directory):
        self.profile = directory
        os.makedirs(self.profile)
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in {**PREFERENCES, COLOUR_SCHEME: 1}.items():
                f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        log_path = os.path.join(self.profile, "firefox.log")
        self.log = open(log_path, "w")
        # Port 0: the browser takes a free port and says which on its standard
        # error. System access lets the browser's own preferences be set.
        self.process = subprocess.Popen(
            [FIREFOX, "--headless", "--no-remote", "--profile", self.profile,
             "--remote-debugging-port", "0", "--remote-allow-system-access", "about:blank"],
            stdout=self.log, stderr=self.log, env={**os.environ, "MOZ_CRASHREPORTER_DISABLE": "1"})
        try:
            address = wait_for("the browser's remote agent", lambda: self.listening(log_path), 60)
            # The agent refuses a connection that claims a web page's origin.
            self.socket = websocket.create_connection(address + "/session", timeout=60,
                                                      suppress_origin=True)
            self.last_id = 0
            self.command("session.new", capabilities={})
            self.context = self.command("browsingContext.getTree")["contexts"][0]["context"]
        except Exception:
            self.stop()
            raise

    def listening(self, log_path):
        if self.process.poll() is not None:
            raise AssertionError(f"{FIREFOX} ended with status {self.process.returncode}")
        with open(log_path) as f:
            found = re.search(r"WebDriver BiDi listening on (ws://\S+)", f.read())
        return found and found.group(1)

    def command(self, method, **params):
        """Sends a command and answers its result; its error is raised."""
        self.last_id += 1
        self.socket.send(json.dumps({"id": self.last_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") != self.last_id:
                continue  # an event: none is subscribed to, none is wanted
            if message["type"] == "error":
                raise AssertionError(f"{method}: {message['error']}: {message['message']}")
            return message["result"]

    # ---- the page ----

    def navigate(self, url):
        self.command("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def call(self, body, *arguments):
        """Runs a function's body in the page (its arguments as arguments[i])
        and answers what it returns; a promise is awaited."""
        result = self.command(
            "script.callFunction", functionDeclaration="function() {" + body + "}",
            arguments=[local_value(a) for a in arguments], awaitPromise=True,
            target={"context": self.context}, resultOwnership="none")
        if result["type"] == "exception":
            raise ScriptError(result["exceptionDetails"]["text"])
        return python_value(result["result"])

    def set_viewport(self, width, height):
        self.command("browsingContext.setViewport", context=self.context,
                     viewport={"width": width, "height": height})

    def prefer_dark(self, dark):
        """Sets the colour scheme the browser asks pages for, as its settings
        do: in the browser's own window, where its preferences are reached."""
        window = self.command("browsingContext.getTree", **{"moz:scope": "chrome"})
        self.command("script.evaluate", target={"context": window["contexts"][0]["context"]},
                     awaitPromise=False, expression=f"Services.prefs.setIntPref("
                     f"{json.dumps(COLOUR_SCHEME)}, {0 if dark else 1})")

    def screenshot(self, path):
        data = self.command("browsingContext.captureScreenshot", context=self.context)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    # ---- a person's hands ----

    def click(self, node, clicks=1):
        """Moves the mouse to the element's middle and clicks it."""
        pointer = [{"type": "pointerMove", "x": 0, "y": 0,
                    "origin": {"type": "element", "element": {"sharedId": node.shared_id}}}]
        for _ in range(clicks):
            pointer += [{"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]
        self.command("input.performActions", context=self.context, actions=[
            {"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
             "actions": pointer}])

    def type(self, *keys, held=()):
        """Types into the focused element: text as its characters, KEYS by
        name, with the keys named in held down meanwhile."""
        held = [KEYS[k] for k in held]
        actions = [{"type": "keyDown", "value": k} for k in held]
        for key in keys:
            for value in [KEYS[key]] if key in KEYS else key:
                actions += [{"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]
        actions += [{"type": "keyUp", "value": k} for k in reversed(held)]
        self.command("input.performActions", context=self.context,
                     actions=[{"type": "key", "id": "keyboard", "actions": actions}])
        self.command("input.releaseActions", context=self.context)

    def stop(self):
        """Closes the browser and removes its profile."""
        try:
            if getattr(self, "socket", None):
                self.command("browser.close")
                self.socket.close()
            self.process.wait(20)
        except Exception:  # a browser that does not close in order is ended
            self.process.kill()
            self.process.wait(10)
        finally:
            self.log.close()
            shutil.rmtree(self.profile, ignore_errors=True)
