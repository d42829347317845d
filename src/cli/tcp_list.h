#pragma once
// --tcp-list FILE: the printers of a fleet too long for a command line, one HOST[:PORT] a line.
#include <optional>
#include <string>
#include <vector>

namespace kestrova::cli {

struct TcpListEntry {
  int line = 0;  // from 1, for messages
  std::string text;
};

// The entries of the file in order: blanks around an entry are dropped, empty lines and lines
// starting with '#' skipped, and a '#' after an entry starts a comment. nullopt with error when
// the file cannot be read or is no regular file.
std::optional<std::vector<TcpListEntry>> ReadTcpList(const std::string& path, std::string& error);

}  // namespace kestrova::cli
