#pragma once
// The stand-in command queue and its immediate command list. Barriers are
// checked against each texture's state when recorded; copies are checked when
// recorded and run only once the list has been flushed and the queue waited
// on, as on a GPU, so that a mapping made too early is caught by the device.
// Any other method of either stops the program.

#include "sim_device.h"
#include "strict_command_queue.h"

#include <mutex>
#include <vector>

class SimCommandList final : public sim::StrictCommandList {
public:
    explicit SimCommandList(SimDevice& device) : device_(device) {}

    using sim::StrictCommandList::barrier;
    void barrier(std::uint32_t count, const reshade::api::resource* resources,
                 const reshade::api::resource_usage* oldStates,
                 const reshade::api::resource_usage* newStates) override;
    void copy_texture_region(reshade::api::resource source, std::uint32_t sourceSubresource,
                             const reshade::api::subresource_box* sourceBox,
                             reshade::api::resource dest, std::uint32_t destSubresource,
                             const reshade::api::subresource_box* destBox,
                             reshade::api::filter_mode filter) override;

    struct Copy {
        reshade::api::resource source;
        reshade::api::resource dest;
    };
    std::vector<Copy> takeRecorded();

private:
    SimDevice& device_;
    std::mutex mutex_;
    std::vector<Copy> recorded_;
};

class SimCommandQueue final : public sim::StrictCommandQueue {
public:
    explicit SimCommandQueue(SimDevice& device) : device_(device), list_(device) {}

    reshade::api::command_list* get_immediate_command_list() override { return &list_; }
    void flush_immediate_command_list() const override;
    void wait_idle() const override;

    SimCommandList& list() { return list_; }
    int waits() const;

private:
    void run(const SimCommandList::Copy& copy) const;

    SimDevice& device_;
    mutable SimCommandList list_;
    mutable std::mutex mutex_;
    mutable std::vector<SimCommandList::Copy> submitted_;
    mutable int waits_ = 0;
};
