// The argument record: what each release code makes the record delete.
#include <gtest/gtest.h>

#include <string>

#include "convert/prepared_arguments.h"
#include "convert_fixture.h"
#include "vmhost/global_ref.h"

using namespace tavlin;

namespace convert_test {

namespace {

class PreparedArgumentsTest : public ConvertTest {};

}  // namespace

TEST_F(PreparedArgumentsTest, ReleaseDeletesOnlyTheRecordsOwnLocalReferences)
{
    GlobalRef<> lent = new_global_ref(env(), sample("int 7"));
    const struct {
        ArgRelease code;
        bool deleted;
    } rows[] = {{ARG_PLAIN, false},
                {ARG_LOCAL, true},
                {ARG_LOCAL_ARRAY, true},
                {ARG_BORROWED, false},
                {ARG_LOCAL_ARRAY_BORROWED, true}};
    for (const auto &row : rows) {
        SCOPED_TRACE("code " + std::to_string(row.code));
        jobject object = row.code == ARG_BORROWED ? lent.get() : sample("int[]");
        int before = local_refs();
        {
            PreparedArguments args(env(), 1);
            args.set_object(0, object, row.code);
        }
        EXPECT_EQ(before - (row.deleted ? 1 : 0), local_refs());
        if (!row.deleted && row.code != ARG_BORROWED) env()->DeleteLocalRef(object);
    }
    EXPECT_EQ(JNIGlobalRefType, env()->GetObjectRefType(lent.get()));
}

TEST_F(PreparedArgumentsTest, UnconvertedSlotsAreNotLookedAtAndReleaseIsOnce)
{
    const int counts[] = {0, 1, 8, 9, 40};  // inline slots and beyond
    for (int count : counts) {
        SCOPED_TRACE("count " + std::to_string(count));
        int before = local_refs();
        PreparedArguments args(env(), count);
        EXPECT_EQ(count, args.count());
        for (int i = 0; i < count; ++i) EXPECT_EQ(ARG_NONE, args.release_code(i));
        for (int i = 0; i < count; i += 2) args.set_object(i, sample("int 7"), ARG_LOCAL);
        args.release();
        EXPECT_EQ(before, local_refs());
        for (int i = 0; i < count; ++i) EXPECT_EQ(ARG_NONE, args.release_code(i));
        args.release();  // nothing left to delete a second time
        EXPECT_EQ(before, local_refs());
    }
}

}  // namespace convert_test
