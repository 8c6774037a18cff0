// The page the server shows: written as plain HTML in page.html and compiled
// in, so the server needs no file beside it.
#pragma once

#include <string>

namespace referee::web {

const std::string& page_html();

}  // namespace referee::web
