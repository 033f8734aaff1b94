#include "emulator/vt_parser.h"

#include "emulator/vt_parser_impl.h"

namespace ostrane {

template class CVtParserFor<IVtParserSink>;

}  // namespace ostrane
