// The style sheets of the picture and the folder index, kept in svg.css and
// index.css in the palette every page shares (cmake/web_palette.cmake); the
// build turns each file into one line of markup here.
#pragma once

namespace gamepage {

// The picture's <style>, the same in a file and in the page. Black's pieces
// are dark, white's light; the marked squares are warm so the pieces stay
// readable on them.
extern const char* const kSvgStyle;

// The <style> of a folder's index page.
extern const char* const kIndexStyle;

}  // namespace gamepage
