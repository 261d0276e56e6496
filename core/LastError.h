// The process-wide last error text: one value for the whole process, replaced whole and
// read whole under a lock so that concurrent failures never tear it.
#ifndef CORVANE_LAST_ERROR_H
#define CORVANE_LAST_ERROR_H

#include <string>

namespace velmor {
namespace corvane {
namespace last_error {

void store(const std::string& text);
std::string load();

}  // namespace last_error
}  // namespace corvane
}  // namespace velmor

#endif
