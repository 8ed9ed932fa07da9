// "benutzer.dat" as the program meets it: any bytes. Loads it, logs in every
// user the way the login window does, saves what was read, and checks that
// loading the saved file gives the same list.
#include "FuzzSupport.h"

#include "storage/UserListStore.h"

namespace {

// The login window's rule: the first row whose user name and password are
// equal; an empty user name matches nothing.
int loginRow(const UserListData &data, const QString &userName, const QString &password)
{
    if (userName.isEmpty())
        return -1;
    for (int i = 0; i < data.users.size(); ++i) {
        if (data.users.at(i).userName == userName && data.users.at(i).password == password)
            return i;
    }
    return -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString directory = FuzzSupport::freshDirectory();
    const QString path = directory + QLatin1String(UserListStore::FileName);
    if (!FuzzSupport::writeFile(path, data, size))
        return 0;
    UserListData loaded;
    if (UserListStore::load(path, loaded) == UserListStore::LoadResult::Missing)
        return 0;
    for (int i = 0; i < loaded.users.size(); ++i) {
        const UserRow &user = loaded.users.at(i);
        const int row = loginRow(loaded, user.userName, user.password);
        FUZZ_CHECK(user.userName.isEmpty() ? row == -1 : (row >= 0 && row <= i));
    }

    const QString savedPath = directory + QStringLiteral("saved.dat");
    if (!UserListStore::save(savedPath, loaded))
        return 0;
    UserListData reloaded;
    FUZZ_CHECK(UserListStore::load(savedPath, reloaded) == UserListStore::LoadResult::Loaded);
    FUZZ_CHECK(reloaded == loaded);
    return 0;
}
