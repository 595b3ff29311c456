#pragma once

class QKeyEvent;
class QPushButton;

// The Escape key presses a dialog's cancel button, and only while that button is shown and
// enabled. True when the event was the Escape key (it is then used up).
bool pressCancelOnEscape(QKeyEvent* event, QPushButton* cancel);
