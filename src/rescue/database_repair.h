#pragma once
// The repair branch of rescue mode: checks the controller database with the
// SQLite shell beside the tool, rebuilds a damaged one from its dump and,
// where the dump cannot be rebuilt, salvages what is still readable.

// Runs the whole repair and reports its outcome in one box.
void fixed_process();
