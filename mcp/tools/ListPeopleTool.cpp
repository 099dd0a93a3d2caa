#include "ListPeopleTool.h"

#include "InputSchema.h"

#include "store/CaptureStore.h"

ToolDefinition ListPeopleTool::definition() const {
    return {
        .name = "list_people",
        .title = "List people",
        .description = "List the people and bots of the workspace this library is signed in to, each with the "
                       "user id that list_captures' assignee filter takes. The "
                       "signed-in user is marked; \"me\" names them too.",
        .inputSchema = InputSchema::object({}),
        .readOnly = true,
    };
}

ToolResult ListPeopleTool::call(const ToolArguments&) {
    CaptureStore& store = context_.store;
    const std::vector<Person> people = store.assignableCandidates();
    if (people.empty())
        return ToolResult::text("Nobody is known: this library is not signed in to a workspace, so captures "
                                "can't be assigned.");
    const std::optional<QString> me = store.currentUserID();
    QStringList lines{QStringLiteral("People (%1):").arg(people.size())};
    for (const Person& person : people) {
        QString line = QStringLiteral("- %1 · id %2").arg(person.name, person.id);
        if (person.email && !person.email->isEmpty())
            line += " · " + *person.email;
        if (person.isBot())
            line += " · bot";
        if (me && *me == person.id)
            line += " · signed in here (\"me\")";
        lines.append(line);
    }
    return ToolResult::text(lines.join('\n'));
}
