#include "EmailAddress.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace kestrune::net;

namespace {

using Items = std::vector<std::pair<std::string, std::string>>; // name, address

Items ItemsOf(const EmailAddressList &list)
{
    Items items;
    for (const auto &item : list)
        items.emplace_back(item.name, item.address);
    return items;
}

struct ListCase {
    std::string text;
    Items items;
    std::string header;
};

} // namespace

TEST(MailAddressTest, ListsAreReadFromOneText)
{
    const std::vector<ListCase> cases = {
        {"a@x.org", {{"", "a@x.org"}}, "a@x.org"},
        {"a@x.org, b@y.org", {{"", "a@x.org"}, {"", "b@y.org"}}, "a@x.org, b@y.org"},
        {"a@x.org; b@y.org", {{"", "a@x.org"}, {"", "b@y.org"}}, "a@x.org, b@y.org"},
        {"a@x.org;b@y.org,,c@z.org ;", {{"", "a@x.org"}, {"", "b@y.org"}, {"", "c@z.org"}}, "a@x.org, b@y.org, c@z.org"},
        {"John Doe <john@x.org>", {{"John Doe", "john@x.org"}}, "\"John Doe\" <john@x.org>"},
        {"\"Doe, John\" <john@x.org>, b@y.org", {{"Doe, John", "john@x.org"}, {"", "b@y.org"}},
         "\"Doe, John\" <john@x.org>, b@y.org"},
        {"\"Doe; John\"<john@x.org>", {{"Doe; John", "john@x.org"}}, "\"Doe; John\" <john@x.org>"},
        {"john@x.org (John Doe, work; home)", {{"", "john@x.org"}}, "john@x.org"},
        {"(outer (inner, deep) tail) a@x.org", {{"", "a@x.org"}}, "a@x.org"},
        {"Team: a@x.org, b@y.org;", {{"", "a@x.org"}, {"", "b@y.org"}}, "a@x.org, b@y.org"},
        {"a@x.org, <>,  , ", {{"", "a@x.org"}}, "a@x.org"},
        {"<a@x.org>", {{"", "a@x.org"}}, "a@x.org"},
        {"< a@x.org >", {{"", "a@x.org"}}, "a@x.org"},
        {"localuser", {{"", "localuser"}}, "localuser"},
        {"\"Quote \\\" Me\" <q@x.org>", {{"Quote \" Me", "q@x.org"}}, "\"Quote \\\" Me\" <q@x.org>"},
        {"Back\\slash <b@x.org>", {{"Backslash", "b@x.org"}}, "\"Backslash\" <b@x.org>"},
        {"a\\,b@x.org", {{"", "a,b@x.org"}}, "a,b@x.org"},
        {"Ann Lee ann@x.org", {{"Ann Lee", "ann@x.org"}}, "\"Ann Lee\" <ann@x.org>"},
        {"\"Ann\" ann@x.org", {{"Ann", "ann@x.org"}}, "\"Ann\" <ann@x.org>"},
        {"Zoë <z@x.org>", {{"Zoë", "z@x.org"}}, "=?UTF-8?Q?Zo=C3=AB?= <z@x.org>"},
        {"Jörg Ann <j@x.org>", {{"Jörg Ann", "j@x.org"}}, "=?UTF-8?Q?J=C3=B6rg?= Ann <j@x.org>"},
        // A plain word with a comma would split the list at the reader: the whole name is encoded.
        {"\"Dupont, Zoë\" <z@x.org>", {{"Dupont, Zoë", "z@x.org"}}, "=?UTF-8?Q?Dupont=2C_Zo=C3=AB?= <z@x.org>"},
        {"", {}, ""},
    };
    for (const auto &c : cases) {
        EmailAddressList list;
        list.setEMailAddresses(c.text);
        EXPECT_EQ(ItemsOf(list), c.items) << c.text;
        EXPECT_EQ(list.eMailAddresses(), c.header) << c.text;
    }
}

TEST(MailAddressTest, AnAtSignAfterTheBracketedAddressIsRefused)
{
    for (const std::string text : {"<a@x.org> b@y.org", "Ann <a@x.org> @", "c@d.org, Ann <a@x.org>x@y"}) {
        EmailAddressList list;
        try {
            list.setEMailAddresses(text);
            ADD_FAILURE() << "accepted " << text;
        } catch (const EmailParseError &e) {
            EXPECT_STREQ(e.what(), "@ Outside address");
        }
    }
    EmailAddressList list;
    list.setEMailAddresses("Ann <a@x.org> (at home@work)");
    EXPECT_EQ(ItemsOf(list), (Items{{"Ann", "a@x.org"}}));
}

TEST(MailAddressTest, SettingAgainReplacesTheList)
{
    EmailAddressList list;
    list.setEMailAddresses("a@x.org, b@y.org");
    list.setEMailAddresses("c@z.org");
    EXPECT_EQ(ItemsOf(list), (Items{{"", "c@z.org"}}));
    list.setEMailAddresses("");
    EXPECT_TRUE(list.empty());
}

TEST(MailAddressTest, ItemTextQuotesPrintableNamesAndEscapesThem)
{
    const std::vector<std::pair<EmailAddress, std::string>> cases = {
        {{"", "a@x.org"}, "a@x.org"},
        {{"Ann", "a@x.org"}, "\"Ann\" <a@x.org>"},
        {{"A \"B\" \\C", "a@x.org"}, "\"A \\\"B\\\" \\\\C\" <a@x.org>"},
        {{"Émile", "e@x.org"}, "=?UTF-8?Q?=C3=89mile?= <e@x.org>"},
    };
    for (const auto &[item, text] : cases)
        EXPECT_EQ(item.text(), text);
}
