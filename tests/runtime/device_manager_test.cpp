#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "runtime/device_manager.h"
#include "runtime/message.h"

namespace
{

// Sends the message sink's output to a temporary file for the duration of a test.
class CapturedOutput
{
  public:
    CapturedOutput() : saved_(Quarn_Output_File), file_(tmpfile()) { Quarn_Output_File = file_; }
    ~CapturedOutput()
    {
        Quarn_Output_File = saved_;
        fclose(file_);
    }
    std::string text()
    {
        fflush(file_);
        rewind(file_);
        std::string out;
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, file_)) > 0)
            out.append(buffer, n);
        return out;
    }

  private:
    FILE *saved_;
    FILE *file_;
};

class DeviceManager : public ::testing::Test
{
  protected:
    void SetUp() override { mgr = DeviceMgr__New("test"); }
    void TearDown() override { DeviceMgr__Quit(mgr); }
    DeviceMgr *mgr = nullptr;
    int objects[8] = {};
};

TEST_F(DeviceManager, ClassesAreNumberedByExactName)
{
    EXPECT_EQ(DeviceMgr__GetDeviceMajorNum(mgr, "Processor"), 0);
    EXPECT_EQ(DeviceMgr__GetDeviceMajorNum(mgr, "Processor"), 0);
    EXPECT_EQ(DeviceMgr__GetDeviceMajorNum(mgr, "processor"), 1);
    EXPECT_EQ(DeviceMgr__GetDeviceMajorNum(mgr, "Thread"), 2);
    EXPECT_EQ(DeviceMgr__GetDeviceCount(mgr, 7), 0);
    EXPECT_EQ(DeviceMgr__AddDevice(mgr, &objects[0], 7, 0, nullptr), -1); // no such class
}

TEST_F(DeviceManager, IndexWalksFromTheHighestMinor)
{
    int cls = DeviceMgr__GetDeviceMajorNum(mgr, "Processor");
    for (int minor : {2, 0, 3, 1})
        EXPECT_EQ(DeviceMgr__AddDevice(mgr, &objects[minor], cls, minor, nullptr), minor);
    EXPECT_EQ(DeviceMgr__GetDeviceCount(mgr, cls), 4);
    for (int index = 0; index < 4; index++)
        EXPECT_EQ(DeviceMgr__GetIndexMinor(mgr, cls, index), 3 - index);
    for (int minor = 0; minor < 4; minor++)
        EXPECT_EQ(DeviceMgr__GetDevice(mgr, cls, minor), &objects[minor]);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, cls, 4), nullptr);

    CapturedOutput out;
    EXPECT_EQ(DeviceMgr__GetIndexMinor(mgr, cls, 4), -1);
    EXPECT_NE(out.text().find("DeviceMgr__GetDeviceIndex: bad index value 4 (valid range is 0 - 3)"),
              std::string::npos)
        << out.text();
    EXPECT_EQ(DeviceMgr__GetIndexMinor(mgr, cls, -1), -1);
    EXPECT_EQ(DeviceMgr__GetIndexMinor(mgr, cls + 5, 0), -1);
}

TEST_F(DeviceManager, MinorMinusOneTakesTheCountAndReAddingReplaces)
{
    int cls = DeviceMgr__GetDeviceMajorNum(mgr, "Thread");
    for (int expected = 0; expected < 3; expected++)
        EXPECT_EQ(DeviceMgr__AddDevice(mgr, &objects[expected], cls, -1, nullptr), expected);

    EXPECT_EQ(DeviceMgr__AddDevice(mgr, &objects[5], cls, 1, nullptr), 1);
    EXPECT_EQ(DeviceMgr__GetDeviceCount(mgr, cls), 3);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, cls, 1), &objects[5]);
    // The class list still holds each minor once, highest first.
    std::vector<int> minors;
    for (int i = 0; i < DeviceMgr__GetDeviceCount(mgr, cls); i++)
        minors.push_back(DeviceMgr__GetIndexMinor(mgr, cls, i));
    EXPECT_EQ(minors, (std::vector<int>{2, 1, 0}));
    // The next -1 continues after the replaced entry.
    EXPECT_EQ(DeviceMgr__AddDevice(mgr, &objects[6], cls, -1, nullptr), 3);

    EXPECT_EQ(DeviceMgr__RemoveDevice(mgr, cls, 1), 1);
    EXPECT_EQ(DeviceMgr__RemoveDevice(mgr, cls, 1), 0);
    EXPECT_EQ(DeviceMgr__RemoveDevice(mgr, cls + 9, 0), 0);
    EXPECT_EQ(DeviceMgr__GetDeviceCount(mgr, cls), 3);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, cls, 1), nullptr);
}

TEST_F(DeviceManager, ClassesSharingABucketSurviveEachOthersRemoval)
{
    int c[5];
    for (int i = 0; i < 5; i++)
        c[i] = DeviceMgr__GetDeviceMajorNum(mgr, ("class" + std::to_string(i)).c_str());
    ASSERT_EQ(c[4], 4);
    EXPECT_EQ(DeviceMgr_Bucket(0, 0), DeviceMgr_Bucket(4, 0));
    DeviceMgr__AddDevice(mgr, &objects[0], 0, 0, nullptr);
    DeviceMgr__AddDevice(mgr, &objects[4], 4, 0, nullptr);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, 0, 0), &objects[0]);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, 4, 0), &objects[4]);
    DeviceMgr__RemoveDevice(mgr, 4, 0);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, 0, 0), &objects[0]);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, 4, 0), nullptr);
    DeviceMgr__AddDevice(mgr, &objects[4], 4, 0, nullptr);
    DeviceMgr__RemoveDevice(mgr, 0, 0);
    EXPECT_EQ(DeviceMgr__GetDevice(mgr, 4, 0), &objects[4]);
}

// Destroy functions: record the order, and one that removes another object of its class.
std::vector<int> destroyed;
DeviceMgr *kill_mgr;
int kill_class;

void record(void *object)
{
    destroyed.push_back(*static_cast<int *>(object));
}
void record_and_remove_minor_0(void *object)
{
    record(object);
    DeviceMgr__RemoveDevice(kill_mgr, kill_class, 0);
}
void record_and_remove_self(void *object)
{
    record(object);
    DeviceMgr__RemoveDevice(kill_mgr, kill_class, *static_cast<int *>(object));
}

TEST_F(DeviceManager, KillDevicesCallsDestroyHeadFirstAndToleratesRemovals)
{
    kill_mgr = mgr;
    kill_class = DeviceMgr__GetDeviceMajorNum(mgr, "Thread");
    for (int i = 0; i < 4; i++)
        objects[i] = i;
    DeviceMgr__AddDevice(mgr, &objects[0], kill_class, 0, record);
    DeviceMgr__AddDevice(mgr, &objects[1], kill_class, 1, record_and_remove_self);
    DeviceMgr__AddDevice(mgr, &objects[2], kill_class, 2, record_and_remove_minor_0);
    DeviceMgr__AddDevice(mgr, &objects[3], kill_class, 3, nullptr);
    destroyed.clear();
    DeviceMgr__KillDevices(mgr, kill_class);
    EXPECT_EQ(destroyed, (std::vector<int>{2, 1})); // minor 3 has no destroy function, 0 was removed by 2
    EXPECT_EQ(DeviceMgr__GetDeviceCount(mgr, kill_class), 0);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(DeviceMgr__GetDevice(mgr, kill_class, i), nullptr);
}

TEST(DeviceManagerQuit, QuitDestroysEveryClassesObjects)
{
    DeviceMgr *mgr = DeviceMgr__New("quit");
    int a = 10, b = 20;
    DeviceMgr__AddDevice(mgr, &a, DeviceMgr__GetDeviceMajorNum(mgr, "Processor"), 0, record);
    DeviceMgr__AddDevice(mgr, &b, DeviceMgr__GetDeviceMajorNum(mgr, "Thread"), 5, record);
    destroyed.clear();
    DeviceMgr__Quit(mgr);
    EXPECT_EQ(destroyed, (std::vector<int>{20, 10}));
}

} // namespace
