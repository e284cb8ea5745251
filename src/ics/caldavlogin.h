#pragma once
// The publish's password when the user gives a login: from ~/.netrc or asked
// on the terminal; private to plandor-ics.
#include <optional>
#include <string>

namespace plandor::ics {

// The user's ~/.netrc: a password when it names this machine and login,
// nothing when there is none; an error when it is readable by others.
struct NetrcLookup {
  std::optional<std::string> password;
  std::string refusal;
};

NetrcLookup readNetrc(const std::string& host, const std::string& login, bool encrypted);

// Asks on the terminal, not echoed; nothing when there is no terminal or
// the input ends first.
std::optional<std::string> askPassword(const std::string& prompt);

}  // namespace plandor::ics
