#include "kaso/actions/Resource.h"

namespace kaso::actions {

ErrorOr<EncodedAction> ActionSpec::build_json(ActionArguments const& arguments) const
{
    if (input) {
        TRY(check_arguments(id, *input, arguments));
        if (!input->build)
            return make_error(fmt::format("ActionSpec: {} has nothing to invoke", debug_text(id)));
        return input->build(ActionArgs { arguments });
    }
    if (!arguments.empty())
        return make_error(fmt::format("ActionSpec: {} takes no arguments, given {}", debug_text(id), debug_text(arguments.begin()->first)));
    if (!invoke)
        return make_error(fmt::format("ActionSpec: {} has nothing to invoke", debug_text(id)));
    return invoke();
}

}
