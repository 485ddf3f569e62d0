#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

// Reads what `export --format json` writes: one array of objects, each a row
// whose keys are the column names (any case; Record optional and ignored, a
// missing text key an empty text). Every value but Record's must be a
// string: a number or null is not what export writes, and guessing its text
// would change what the user typed. The rows go to the handler after a
// header row of the ten text names, each with its object's number (1 for
// the first). A string escape that names half a surrogate pair arrives as
// that code point in the generalized UTF-8 a surrogate takes, so that the
// import can name it; every other text is UTF-8. Its own parser, small and
// for this one shape of document: a syntax error is worded and placed by
// line as the tool always has, and no document model is built. It knows
// nothing of records.

namespace pintwise {

class JsonReader {
public:
    using RowHandler = std::function<void(int object, std::span<const std::string> fields)>;

    explicit JsonReader(RowHandler handler);

    // False when the bytes are not such an array; error() says why and where.
    bool read(std::string_view bytes);
    const std::string& error() const { return m_error; }

private:
    RowHandler m_handler;
    std::string m_error;
};

} // namespace pintwise
