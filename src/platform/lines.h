// Text that arrives in pieces (reads of a file), split into lines: only the start of a line that a
// piece cut is held, however long the text.
#ifndef TARN_PLATFORM_LINES_H
#define TARN_PLATFORM_LINES_H

#include <string>
#include <string_view>

namespace tarn::detail::platform {

// Calls `line(text)` for every line, without its line feed, until it returns false.
template <class Line> class line_splitter {
public:
    explicit line_splitter(Line& each) : line(each) {}

    // The next piece of the text; false once `line` has asked to stop.
    bool feed(std::string_view piece)
    {
        for (std::size_t end; (end = piece.find('\n')) != std::string_view::npos;
             piece.remove_prefix(end + 1)) {
            bool more;
            if (held.empty()) {
                more = line(piece.substr(0, end));
            } else {
                held.append(piece, 0, end);
                more = line(std::string_view(held));
                held.clear();
            }
            if (!more)
                return false;
        }
        held.append(piece);
        return true;
    }

    // The end of the text: its last line, when no line feed ended it.
    void finish()
    {
        if (!held.empty())
            line(std::string_view(held));
    }

private:
    Line& line;
    std::string held; // the start of a line that the last piece cut
};

} // namespace tarn::detail::platform

#endif
