// TavenorUpdater: the player starts it, detached and without arguments, at
// every start. Updates are delivered as whole new installations, so there is
// nothing for it to do yet; it ends at once and quietly, so that a player
// that starts it never waits for it or hears from it.
int main()
{
    return 0;
}
