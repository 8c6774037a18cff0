// Whether two spellings of a path name one file: a program that writes
// files checks by this that it never writes over one of its inputs or
// writes two of its outputs into one file.
#pragma once

#include <string>

namespace files {

// Whether two paths name one file: the same device and inode when both
// exist, otherwise the same path once every symbolic link on the way is
// followed (a dangling one too, to where it points) and "." and ".." are
// gone.
bool same_file(const std::string& a, const std::string& b);

}  // namespace files
