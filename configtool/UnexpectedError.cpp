#include "UnexpectedError.h"

#include "DebugOutput.h"
#include "Dialogs.h"

#include <exception>

using namespace mardune::literals;

void ShowUnexpectedError(const TString &message)
{
    DebugOutput(message);
    ShowReportBox(TBoxKind::Unexpected, message);
}

TString CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const std::exception &error) {
        return FromSystem8Bit(error.what());
    } catch (...) {
        return u"Unknown error"_s;
    }
}
