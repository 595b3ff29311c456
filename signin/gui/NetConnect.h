#pragma once

#include "ConnectedState.h"

class QWidget;

// True when the computer counts as connected, or the user accepted the dial-up offer. Otherwise
// shows the notice or the dial-up offer in the prompt dialog, closes parent (the sign-in dialog)
// and returns whether the offer was accepted.
bool checkInternetConnection(QWidget* parent);
