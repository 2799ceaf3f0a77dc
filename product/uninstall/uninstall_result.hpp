#pragma once
// The uninstaller's exit codes.

namespace product {

enum uninstall_result : int {
    uninstall_complete = 0,      // everything the log names is gone
    uninstall_incomplete = 1,    // some of it stays; the report names it
    uninstall_cancelled = 2,     // the user said no; nothing was removed
    uninstall_no_log = 3,        // no readable log beside the program; nothing was removed
    uninstall_product_runs = 4,  // the product (or its installer) runs; nothing was removed
};

} // namespace product
