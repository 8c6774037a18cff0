// The page the server shows: written as plain HTML in page.html and compiled
// in, so the server needs no file beside it.
#pragma once

namespace referee::web {

extern const char* const kPageHtml;

}  // namespace referee::web
