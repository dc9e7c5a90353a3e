#pragma once

// Every interval and delay of the program, in seconds.

namespace launcher {

// --- forced mode
// Black windows and zero brightness again, until the screens are seen asleep.
inline constexpr double forcedEnforcementInterval = 1.2;
// One more application of forced mode after it began.
inline constexpr double forcedStabilizerDelay = 0.55;
// Between display-sleep commands, and how many are sent in a row.
inline constexpr double displaySleepCommandDelay = 0.25;
inline constexpr int displaySleepCommandAttempts = 4;
// After a forced start, late enough that the menu that started it has closed.
inline constexpr double forcedMuteDelay = 0.18;
// After a forced stop, the black windows go.
inline constexpr double blackoutRemovalDelay = 0.14;

// --- wake-input watch
inline constexpr double wakeInputPollInterval = 0.2;
// Input this soon after the start is the hand leaving the mouse.
inline constexpr double wakeDetectionGraceInterval = 3.5;
// Idle ages jitter a little between polls; only a larger drop is input.
inline constexpr double wakeInputAgeTolerance = 0.05;

// --- scheduled stop
inline constexpr double shortestScheduledStop = 0.2;

// --- application
inline constexpr double monitorInterval = 1.0;
inline constexpr double pulseInterval = 0.05;
// Menu actions run once the menu has closed.
inline constexpr double toggleDelay = 0.06;
inline constexpr double forcedStartDelay = 0.18;
// When a forced start is checked and, if it did not hold, tried again.
inline constexpr double forcedCheckDelays[2] = {0.4, 0.95};
// How long a tray may take to appear at log-in before the dashboard stands in for it.
inline constexpr double trayWaitInterval = 5.0;
inline constexpr double toastVisibleSeconds = 3.0;

} // namespace launcher
