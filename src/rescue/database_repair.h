#pragma once
// The repair branch of rescue mode: checks the controller database with the
// SQLite shell beside the tool and rebuilds a damaged one from its dump.

// Runs the whole repair and reports its outcome in one box.
void fixed_process();
