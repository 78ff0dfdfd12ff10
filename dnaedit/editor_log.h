// editor_log.h -- the six-line start log "qz61_log.txt"
#pragma once

void write_log();  // Rewrites the log in the current directory; silently skipped when it cannot be created
