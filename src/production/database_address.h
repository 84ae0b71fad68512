#pragma once
// The PostgreSQL address given with --serial-source, as far as this program looks into it:
// which scheme it has, and how to say it (or anything the server or libpq says about it)
// without its password, which must never reach a terminal or a log.

#include <string>
#include <string_view>

namespace kx::production {

// "postgresql://..." or "postgres://...", the forms libpq reads as a URI.
bool IsPostgresAddress(std::string_view text);

// The address with the password in its user part and any password= parameter replaced
// by "***".
std::string AddressWithoutPassword(std::string_view address);

// `text` with every occurrence of the address's password (as typed and percent-decoded)
// replaced by "***".
std::string WithoutPasswordOf(std::string_view address, std::string text);

}  // namespace kx::production
