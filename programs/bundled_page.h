// The page folder that the build fills beside the program: the tables of
// libhangul-data and the input-method page of web/.
#ifndef PROGRAMS_BUNDLED_PAGE_H_
#define PROGRAMS_BUNDLED_PAGE_H_

#include <string>

namespace programs {

// "<folder of this executable>/page", or "page" if the executable's path
// cannot be read.
std::string BundledPage();

}  // namespace programs

#endif  // PROGRAMS_BUNDLED_PAGE_H_
