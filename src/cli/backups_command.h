#pragma once
// `backups [PRINTER]`: the backups kept before writes, newest first, one line each:
//   2026-12-06 20:31:02 UTC  127.0.0.1:9100  RT5600  KS00000001  /home/u/.local/state/.../2026-12-06T20-31-02Z.json
#include <ostream>

#include "cli/cli_request.h"

namespace kestrova::cli {

// Exit 0 with the lines; 1 when there are none (said on err).
int Backups(const Request& r, std::ostream& out, std::ostream& err);

}  // namespace kestrova::cli
