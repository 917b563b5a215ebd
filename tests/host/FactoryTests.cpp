// The module's entry points and factory as a VST3 host meets them: the shared
// object is opened directly and read through the SDK's own interface definitions.

#include "pluginterfaces/base/ipluginbase.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <array>
#include <cstring>
#include <string>

using namespace Steinberg;

namespace
{
using Bytes = std::array<unsigned char, 16>;

constexpr Bytes componentCid { 0xAB, 0xCD, 0xEF, 0x01, 0x91, 0x82, 0xFA, 0xEB, 0x4D, 0x61, 0x6E, 0x75, 0x54, 0x6C, 0x6B, 0x62 };
constexpr Bytes controllerCid { 0xAB, 0xCD, 0xEF, 0x01, 0x12, 0x34, 0xAB, 0xCD, 0x4D, 0x61, 0x6E, 0x75, 0x54, 0x6C, 0x6B, 0x62 };
constexpr Bytes processorAccessIid { 0x01, 0x01, 0xAB, 0xAB, 0xAB, 0xCD, 0xEF, 0x01, 0x4D, 0x61, 0x6E, 0x75, 0x54, 0x6C, 0x6B, 0x62 };

Bytes bytesOf (const TUID id)
{
    Bytes bytes;
    std::memcpy (bytes.data(), id, bytes.size());
    return bytes;
}

const char* asTuid (const Bytes& bytes)
{
    return reinterpret_cast<const char*> (bytes.data());
}

std::u16string utf16 (const char16* text)
{
    return std::u16string (reinterpret_cast<const char16_t*> (text));
}

struct ExpectedClass
{
    Bytes cid;
    const char* category;
};

constexpr std::array<ExpectedClass, 2> expectedClasses { { { componentCid, "Audio Module Class" },
                                                           { controllerCid, "Component Controller Class" } } };

class Factory : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        module = dlopen (TAVIK_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE (module, nullptr) << dlerror();

        using EntryFunction = bool (*) (void*);
        auto entry = reinterpret_cast<EntryFunction> (dlsym (module, "ModuleEntry"));
        ASSERT_NE (entry, nullptr) << "a Linux VST3 module must export ModuleEntry";
        ASSERT_TRUE (entry (module));

        using GetFactoryFunction = IPluginFactory* (PLUGIN_API*) ();
        auto getFactory = reinterpret_cast<GetFactoryFunction> (dlsym (module, "GetPluginFactory"));
        ASSERT_NE (getFactory, nullptr);

        factory = getFactory();
        ASSERT_NE (factory, nullptr);
    }

    static void TearDownTestSuite()
    {
        if (factory != nullptr)
            factory->release();

        factory = nullptr;

        if (module != nullptr)
        {
            using ExitFunction = bool (*)();
            auto moduleExit = reinterpret_cast<ExitFunction> (dlsym (module, "ModuleExit"));
            EXPECT_NE (moduleExit, nullptr) << "a Linux VST3 module must export ModuleExit";

            if (moduleExit != nullptr)
                EXPECT_TRUE (moduleExit());

            dlclose (module);
        }

        module = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE (factory, nullptr);
    }

    template <typename Interface>
    static Interface* query()
    {
        Interface* result = nullptr;

        if (factory->queryInterface (Interface::iid, reinterpret_cast<void**> (&result)) != kResultOk)
            return nullptr;

        return result;
    }

    static inline void* module = nullptr;
    static inline IPluginFactory* factory = nullptr;
};

TEST_F (Factory, ReportsTheVendorWithUnicodeStrings)
{
    PFactoryInfo info;
    ASSERT_EQ (factory->getFactoryInfo (&info), kResultOk);

    EXPECT_STREQ (info.vendor, "KELVOR");
    EXPECT_STRNE (info.url, "");
    EXPECT_STREQ (info.email, "");
    EXPECT_EQ (info.flags, 16);
    EXPECT_EQ (info.flags, PFactoryInfo::kUnicode);
}

TEST_F (Factory, ListsTheComponentThenTheController)
{
    ASSERT_EQ (factory->countClasses(), 2);

    for (int32 index = 0; index < 2; ++index)
    {
        SCOPED_TRACE ("class " + std::to_string (index));
        PClassInfo info;
        ASSERT_EQ (factory->getClassInfo (index, &info), kResultOk);

        EXPECT_EQ (bytesOf (info.cid), expectedClasses[(size_t) index].cid);
        EXPECT_STREQ (info.category, expectedClasses[(size_t) index].category);
        EXPECT_STREQ (info.name, "Tavik");
        EXPECT_EQ (info.cardinality, 0x7FFFFFFF);
    }
}

TEST_F (Factory, DescribesBothClassesAlikeButForIdAndCategory)
{
    auto* factory2 = query<IPluginFactory2>();
    ASSERT_NE (factory2, nullptr) << "the factory must offer IPluginFactory2";

    for (int32 index = 0; index < 2; ++index)
    {
        SCOPED_TRACE ("class " + std::to_string (index));
        PClassInfo2 info;
        ASSERT_EQ (factory2->getClassInfo2 (index, &info), kResultOk);

        EXPECT_EQ (bytesOf (info.cid), expectedClasses[(size_t) index].cid);
        EXPECT_STREQ (info.category, expectedClasses[(size_t) index].category);
        EXPECT_STREQ (info.name, "Tavik");
        EXPECT_EQ (info.cardinality, 0x7FFFFFFF);
        EXPECT_EQ (info.classFlags, 0u);
        EXPECT_STREQ (info.subCategories, "Fx");
        EXPECT_STREQ (info.vendor, "KELVOR");
        EXPECT_STREQ (info.version, "0.9.0");
        EXPECT_STREQ (info.sdkVersion, "VST 3.6.13");
    }

    factory2->release();
}

TEST_F (Factory, GivesTheSameDescriptionsInUnicode)
{
    auto* factory3 = query<IPluginFactory3>();

    if (factory3 == nullptr)
        GTEST_SKIP() << "the factory does not offer IPluginFactory3";

    for (int32 index = 0; index < 2; ++index)
    {
        SCOPED_TRACE ("class " + std::to_string (index));
        PClassInfoW info;
        ASSERT_EQ (factory3->getClassInfoUnicode (index, &info), kResultOk);

        EXPECT_EQ (bytesOf (info.cid), expectedClasses[(size_t) index].cid);
        EXPECT_STREQ (info.category, expectedClasses[(size_t) index].category);
        EXPECT_EQ (utf16 (info.name), u"Tavik");
        EXPECT_EQ (info.cardinality, 0x7FFFFFFF);
        EXPECT_EQ (info.classFlags, 0u);
        EXPECT_STREQ (info.subCategories, "Fx");
        EXPECT_EQ (utf16 (info.vendor), u"KELVOR");
        EXPECT_EQ (utf16 (info.version), u"0.9.0");
        EXPECT_EQ (utf16 (info.sdkVersion), u"VST 3.6.13");
    }

    factory3->release();
}

TEST_F (Factory, CreatesAComponentThatAnswersTheProcessorAccessQuery)
{
    FUnknown* component = nullptr;
    ASSERT_EQ (factory->createInstance (asTuid (componentCid), FUnknown::iid, reinterpret_cast<void**> (&component)), kResultOk);
    ASSERT_NE (component, nullptr);

    FUnknown* access = nullptr;
    TUID accessIid;
    std::memcpy (accessIid, processorAccessIid.data(), sizeof (accessIid));
    EXPECT_EQ (component->queryInterface (accessIid, reinterpret_cast<void**> (&access)), kResultOk);
    EXPECT_NE (access, nullptr);

    if (access != nullptr)
        access->release();

    component->release();
}

TEST_F (Factory, CreatesTheController)
{
    FUnknown* controller = nullptr;
    ASSERT_EQ (factory->createInstance (asTuid (controllerCid), FUnknown::iid, reinterpret_cast<void**> (&controller)), kResultOk);
    ASSERT_NE (controller, nullptr);
    controller->release();
}

TEST_F (Factory, RefusesAnUnknownClass)
{
    constexpr Bytes unknownCid { 0xAB, 0xCD, 0xEF, 0x01, 0, 0, 0, 0, 0x4D, 0x61, 0x6E, 0x75, 0x54, 0x6C, 0x6B, 0x62 };
    FUnknown* object = nullptr;
    EXPECT_NE (factory->createInstance (asTuid (unknownCid), FUnknown::iid, reinterpret_cast<void**> (&object)), kResultOk);
    EXPECT_EQ (object, nullptr);
}
} // namespace
