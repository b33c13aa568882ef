// The receiving side of ObserverImpl: an object that takes broadcast parameters.
#pragma once

namespace DuiLib {

// Thread: UI.
template <class ReturnT, class ParamT>
class ReceiverImpl {
public:
    virtual ~ReceiverImpl() = default;
    virtual ReturnT Receive(ParamT param) = 0;
};

}  // namespace DuiLib
