#pragma once

class QWidget;

// Closes `window` when the session or a terminal asks the program to end (SIGTERM, SIGINT,
// SIGHUP), as the operator's close would: the working database and its lock go with it.
// A window that refuses to close (a run is going on) stays.
void closeOnTerminationSignals(QWidget *window);
