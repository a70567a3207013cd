#include "platform/dsound/mixer.h"

namespace {

// Plays nothing by itself: dsound_manual_render steps the mixer.
class manual_device_c final : public dsound_device_c
{
public:
    HRESULT open(mixer_c *) override { return DS_OK; }
    HRESULT wake() override { return DS_OK; }
    void suspend() override {}
    HRESULT reformat() override { return DS_OK; }
    void close() override {}
    bool is_manual() const override { return true; }
};

} // namespace

std::unique_ptr<dsound_device_c> dsound_make_manual_device() { return std::make_unique<manual_device_c>(); }
