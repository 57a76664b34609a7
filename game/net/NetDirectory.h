#pragma once
// The online directory glue: a host playing on the Internet publishes its game as service "Kestrun"
// in one of eight game directories and keeps it alive on a refresh thread; a search reads the eight
// directories on a query thread and reports one ServerRecord per game. The directory servers are
// three "host:port" texts of configuration (the ini file's DirServer1..3, else this machine).
#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Tarn/msg/Dir/DirEntity.h"
#include "game/net/NetGame.h"

namespace kes {

// Reads the directory servers from the ini file (keys "DirServer1" to "DirServer3"); a key that is
// absent keeps "127.0.0.1:15101".
void InitDirectoryServers();
// Replaces the server list (tests; a player uses the ini file).
void NetSetDirectoryServers(const std::vector<std::string>& servers);
// Timings of the glue in milliseconds: the renewal period (25000) and each request's time-out (20000).
void NetSetDirectoryTiming(uint32_t refreshMs, uint32_t timeoutMs);

// Reads the value of `key` from the ini file "Kestrun.ini" of the game folder. 0 when the file was
// read (value empty when the key is absent), -1 when it cannot be read.
int ReadIniValue(const std::string& key, std::string& value);
// Parses ini text: ';' comment lines; key, '=' and value as tokens (quoted or plain; the value may
// stand on the next line). Tokens longer than 63 characters are cut to 63.
bool FindIniValue(const std::string& text, const std::string& key, std::string& value);
// Sets the address from "LocalIP" of the ini file. 0 (also without the key), -1 without the file.
int ReadLocalIpFromIni(sockaddr_in& address);

// The directory of a session name: ((s >> 2) AND 7) + 1, s the sum of its characters as signed bytes.
int DirectoryNumberOf(const std::string& sessionName);

// Publishes the hosted session (after NetHostGame's session has started) and starts the refresh
// thread. The published net address carries the session's game port. 0 or -1.
int DirPublishGame();
// Stops the refresh thread (an in-flight request is cancelled) and removes the entry. Always 0.
int DirStopRefresh();
// Asks the refresh thread to publish the player counts again (a player joined or left).
void DirNotifyPlayersChanged();

// The online search: reports every game of the eight directories, then null; (ServerRecord*)-1 when
// a directory cannot be read. Stops an earlier online search first.
int DirStartSearch(GameSearchCallback callback);
// Cancels the search in flight and waits for its thread; no callback runs after it returns (unless
// called from the callback itself, which only asks the search to stop).
void DirStopSearch();

// The record for one directory entity: false when it does not describe a game (fewer than two data
// objects, or a net address that is not 6 bytes). An object with no data counts as 0 players.
bool GameRecordFromEntity(const TarnMsg::DirEntity& entity, ServerRecord& record);

}  // namespace kes
