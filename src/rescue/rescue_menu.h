#pragma once
// Rescue mode: mount gate, then the menu of rescue procedures.

void startRescueMode();
