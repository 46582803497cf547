#pragma once

namespace window {

// Tells the window's activations apart: the user coming back to it, which
// draws the grid, and the activation the exit question hands back to it as
// it closes, which does not. Fed what the window sees, in the order it sees
// it; the window system's own order differs (X with and without a window
// manager, Wayland, Windows), and each order gives the same answers.
//
// The question hands the activation back only when it closed holding the
// focus, and only where the window system does that at all; that
// activation comes while the question is still closing (Windows) or later
// (X, Wayland). Another program taking the focus meanwhile, or another
// window of this one, takes the hand-back with it.
class QuestionHandBack
{
public:
    enum class Focus
    {
        Window,      // the window itself
        OtherWindow, // another window of the program: the question
        Elsewhere,   // another program, or none
    };

    void QuestionOpened() { m_asking = true; }
    // `handedBack`: whether the window system gives the activation back to
    // the window a closing dialog leaves.
    void QuestionClosed(bool handedBack);
    void FocusMoved(Focus focus);
    // An activation of the window: whether it is the user's, to draw the grid.
    bool IsUsersActivation();

private:
    bool m_asking = false;           // the question is open
    bool m_questionHasFocus = false; // and holds the focus
    bool m_handBackDue = false;      // it closed with the focus, which comes back here
};

} // namespace window
