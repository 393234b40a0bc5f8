// A whole machine built the way "define machine" builds it: a configuration with every default
// (machine type "myrrin", processor type "Ervik"), adjusted by the test, then GenericMachine_Create.
// The machine (or, when creation failed, the configuration) goes with the object.
#pragma once

#include <functional>
#include <string>

#include "machine/default_values.h"
#include "machine/machine_lifecycle.h"
#include "runtime/common.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "runtime/stop.h"

class BuiltMachine
{
  public:
    using Configure = std::function<void(BuiltMachine &)>;

    explicit BuiltMachine(const char *name = "m", const Configure &configure = {})
    {
        static int serial = 0;
        saved_regress_ = regress_mode;
        saved_xterms_ = useXterms;
        regress_mode = 1; // no listing of unused configuration values
        useXterms = 0;    // no terminal windows
        if (!PSV_List) Init_PSV_Table();
        std::string list_name = std::string(name) + "-config-" + std::to_string(++serial);
        list = PropertyList__New(list_name.c_str());
        set("machine_type", "myrrin");
        set("processor/type", "Ervik");
        base_Add_Default_Values(list, "");
        if (configure) configure(*this);
        machine = GenericMachine_Create(name, list);
    }
    BuiltMachine(const BuiltMachine &) = delete;
    BuiltMachine &operator=(const BuiltMachine &) = delete;

    ~BuiltMachine()
    {
        if (machine)
            Machine_Quit(machine);
        else
            PropertyList__Delete(list);
        Start_The_Simulation();
        regress_mode = saved_regress_;
        useXterms = saved_xterms_;
    }

    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
    }

    PropertyList *list = nullptr;
    GenericMachine *machine = nullptr;

  private:
    int saved_regress_ = 0;
    int saved_xterms_ = 1;
};
