// The console commands drive the default console's channels: what a file channel receives while
// enabled, disabled and destroyed, and what a string channel delivers to the console's reader.
#include <fstream>
#include <sstream>
#include <string>

#include "command_fixture.h"
#include "devices/console.h"
#include "processor/records/generic_machine.h"

namespace
{

class ConsoleCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ok("define machine myrrin alpha");
        console = Get_Console(Quarn_Machine_List);
        ASSERT_NE(console, nullptr);
    }
    void write(const char *text)
    {
        for (; *text; text++)
            Console_Write(console, *text);
    }
    static std::string contents(const char *path)
    {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    ConsoleDevice *console = nullptr;
};

TEST_F(ConsoleCommandsTest, AFileChannelReceivesOutputOnlyWhileEnabled)
{
    remove("console_out.txt");
    ok("alpha console create log out file console_out.txt");
    write("one\n");
    ok("alpha console disable log");
    write("two\n");
    ok("alpha mcm 0 console enable log"); // the chip's table reaches the same console
    write("three\n");
    EXPECT_EQ(ok("alpha console destroy log"), "");
    write("four\n");
    // A newline ends with a CR on channels that are not connected terminals.
    EXPECT_EQ(contents("console_out.txt"), "one\n\rthree\n\r");
    EXPECT_EQ(fails("alpha console enable log"), "No I/O item for log\n");
    remove("console_out.txt");
}

TEST_F(ConsoleCommandsTest, AStringChannelIsReadOnlyWhileEnabled)
{
    ok("alpha console create keys in string ab");
    ok("alpha console disable keys");
    EXPECT_EQ(Console_Read(console), -1);
    ok("alpha console enable keys");
    EXPECT_EQ(Console_Read(console), 'a');
    EXPECT_EQ(Console_Read(console), 'b');
    EXPECT_EQ(Console_Read(console), '\n');
    EXPECT_EQ(Console_Read(console), -1);
    // Used up, the channel is dead and the next listing drops it.
    EXPECT_EQ(ok("alpha console list"), "\n");
}

} // namespace
