#pragma once
// The desktop session ending (the user logs out, the machine shuts down)
// while the program runs. Where the session manager lets the program talk to
// the user, the frame is closed as File, Exit closes it: typing that is not
// saved is asked about ("Exit anyway" / "Cancel"), and Cancel keeps the
// session, and the program, going. Where it does not, nothing is asked and
// nothing is closed or saved here: a form half filled in was never checked by
// its user, so it is not stored on its own; the program ends when the
// session ends it (its quit, or SIGTERM), as the frame's close box would end
// it unasked, with its files closed and its open markers and locks released.

class QGuiApplication;

namespace fesk::qt {

class Desktop;

// Whether the session may end. With `mayTalkToUser`, closes the frame and
// waits for the program's end or for the user's Cancel.
bool sessionMayEnd(Desktop& desktop, bool mayTalkToUser);

// Answers the session manager's request to save before the session ends.
void answerSessionEnds(QGuiApplication& app, Desktop& desktop);

}  // namespace fesk::qt
