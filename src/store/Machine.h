#pragma once

#include <QString>

namespace launcher {

// What kind of machine the estimate is for: a Mac is looked up by its model
// name, any other computer by its chassis.
enum class MachineClass { mac, laptop, desktop, unknown };

// The machine as the platform describes it; empty texts are unknown.
struct MachineDescription {
    QString model;
    QString processor; // the chip, or failing that the processor
    MachineClass machineClass = MachineClass::mac;

    bool operator==(const MachineDescription&) const = default;
};

// A Mac's model and chip from the system profiler's hardware overview: the
// lines "Model Name:", "Chip:" and "Processor Name:".
MachineDescription macDescriptionFromOverview(const QString& overview);

} // namespace launcher
