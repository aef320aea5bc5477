// The configuration-time commands: the stored block, tag addresses, tag types.
#pragma once
#include <string>

#include "host/driver_library.h"
#include "host/options.h"

namespace host {

// The block a run or an address check uses: --pdb FILE or the driver's defaults
// (FullPDB), with the command line's settings on top. False and `error` when the file
// cannot be read.
bool buildPdb(const Options& options, const DriverEntryPoints& driver, OstrevanePDB& block, std::string& error);

// The commands print to standard output and return the exit status.
int pdbCommand(const Options& options, const DriverEntryPoints* driver);
int addressCommand(const Options& options, const DriverEntryPoints& driver, std::string (*takeText)(char*));
int typesCommand(const DriverEntryPoints& driver);

struct AddressCheck {
    bool valid = false;
    std::string canonical;  // UTF-8
    std::string message;    // UTF-8
};
// TagEdAddr on one address (UTF-8).
AddressCheck checkAddress(const DriverEntryPoints& driver, OstrevanePDB& block, const std::string& address,
                          std::string (*takeText)(char*));

}  // namespace host
