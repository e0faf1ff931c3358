// Boost.JSON, compiled here once instead of from its separate library.
#include <boost/json/src.hpp>
