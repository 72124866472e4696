#pragma once

struct _XDisplay;

// The pointer driven through the X server's test extension, as a user's hand drives it: the
// server sends the moves and clicks to the window under the pointer, and SDL takes them from the
// server as it takes a user's, its own button state included. Uses the X display of $DISPLAY.
class RealPointer
{
public:
    RealPointer();
    ~RealPointer();
    RealPointer(const RealPointer&) = delete;
    RealPointer& operator=(const RealPointer&) = delete;

    // False when there is no X display or it lacks the test extension.
    bool isAvailable() const { return m_display != nullptr; }
    // Moves the pointer to (x, y) of the screen.
    void moveTo(int x, int y);
    // Presses or releases button (1 left, 2 middle, 3 right).
    void setButton(unsigned button, bool pressed);

private:
    _XDisplay* m_display;
};
