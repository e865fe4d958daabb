#include "host/DateCells.h"
namespace varno::host {
DateVerdict CheckDateCell(std::u16string_view, std::u16string_view, bool, const std::string&) { return {}; }
}
