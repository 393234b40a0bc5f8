#include <gtest/gtest.h>

#include <string>
#include <tcl.h>
#include <vector>

#include "command/selector.h"
#include "runtime/object_registry.h"

namespace
{

TEST(ObjectRegistry, GrowsBy256AndKeepsEveryId)
{
    int objects[600];
    std::vector<int32_t> ids;
    // Fill the table up to its capacity, then register one more.
    int32_t first = BaseObject__New("grow-0", 4, &objects[0]);
    ids.push_back(first);
    int32_t capacity = BaseObject__GetMax();
    ASSERT_EQ(capacity % 256, 0);
    int n = 1;
    while ((int32_t)ids.size() + first < capacity) {
        ids.push_back(BaseObject__New(("grow-" + std::to_string(n)).c_str(), 4, &objects[n]));
        n++;
    }
    EXPECT_EQ(BaseObject__GetMax(), capacity);
    ids.push_back(BaseObject__New(("grow-" + std::to_string(n)).c_str(), 5, &objects[n]));
    EXPECT_EQ(BaseObject__GetMax(), capacity + 256);
    for (size_t i = 0; i < ids.size(); i++) {
        EXPECT_EQ(ids[i], first + (int32_t)i);
        EXPECT_EQ(BaseObject__GetObj(ids[i]), &objects[i]);
        EXPECT_EQ(BaseObject__GetName(ids[i]), "grow-" + std::to_string(i));
    }
    EXPECT_TRUE(BaseObject__IsPPC(ids.back()));
    EXPECT_FALSE(BaseObject__IsPPC(ids.front()));
    // Slots beyond the used ones are empty.
    EXPECT_EQ(BaseObject__GetType(ids.back() + 1), 0);
}

TEST(ObjectRegistry, DeletedNamesAreReRegisteredUnderNewIds)
{
    int x = 1, y = 2;
    int32_t old_id = BaseObject__New("reuse-a", 2, &x);
    EXPECT_EQ(BaseObject__Get_By_Name("reuse-a"), old_id);
    EXPECT_EQ(BaseObject__Get_By_Name("REUSE-A"), -1); // names compare exactly
    BaseObject__Delete_by_Name("reuse-a");
    EXPECT_EQ(BaseObject__Get_By_Name("reuse-a"), -1);
    int32_t new_id = BaseObject__New("reuse-a", 2, &y);
    EXPECT_GT(new_id, old_id);
    EXPECT_EQ(BaseObject__Get_By_Name("reuse-a"), new_id);
    EXPECT_EQ(BaseObject__GetObj(new_id), &y);

    int32_t max = BaseObject__GetMax();
    BaseObject__Delete_by_Name("never-registered");
    EXPECT_EQ(BaseObject__GetMax(), max);
    EXPECT_EQ(BaseObject__Get_By_Name("reuse-a"), new_id);

    BaseObject__ChangeName(new_id, "renamed-a");
    EXPECT_EQ(BaseObject__Get_By_Name("reuse-a"), -1);
    EXPECT_EQ(BaseObject__Get_By_Name("renamed-a"), new_id);
    EXPECT_EQ(BaseObject__Find_Object(2, &y), new_id);
    EXPECT_EQ(BaseObject__Find_Object(3, &y), -1);
}

TEST(ObjectRegistry, IdsOutsideTheTableGiveNothing)
{
    int32_t max = BaseObject__GetMax();
    for (int32_t id : {-1, max, max + 1000, INT32_MIN}) {
        EXPECT_EQ(BaseObject__GetType(id), 0);
        EXPECT_EQ(BaseObject__GetObj(id), nullptr);
        EXPECT_EQ(BaseObject__GetName(id), nullptr);
        EXPECT_FALSE(BaseObject__IsPPC(id));
        BaseObject__Delete(id);
        BaseObject__ChangeName(id, "x");
    }
}

TEST(ObjectRegistry, KindNames)
{
    const char *names[] = {"Unknown object type",
                           "Configuration Object",
                           "Machine",
                           "Memory space",
                           "Processor",
                           "Thread",
                           "SPU",
                           "PBIC",
                           "Time Domain",
                           "Interrupt Controller",
                           "Memory Mapped Device",
                           "Unknown object type"};
    for (int kind = 0; kind <= 11; kind++)
        EXPECT_STREQ(ObjectType_Name(kind), names[kind]) << kind;
    EXPECT_STREQ(ObjectType_Name(-3), "Unknown object type");
}

TEST(ObjectRegistry, ListingAppendsLiveObjectsToTheResult)
{
    int x;
    BaseObject__New("listed-one", 5, &x);
    int32_t gone = BaseObject__New("listed-gone", 5, &x);
    BaseObject__Delete(gone);
    Tcl_Interp *interp = Tcl_CreateInterp();
    List_All_Objects(interp);
    std::string result = Tcl_GetStringResult(interp);
    EXPECT_NE(result.find("listed-one\tThread\n"), std::string::npos);
    EXPECT_EQ(result.find("listed-gone"), std::string::npos);
    Tcl_DeleteInterp(interp);

    EXPECT_EQ(Get_Quarn_Machine_Name(nullptr), nullptr);
}

} // namespace
