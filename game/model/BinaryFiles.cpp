#include "BinaryFiles.h"

namespace {

// Stems in level order. The numeric prefixes of some stems are part of the names only; the level
// order is this table's order.
const char* const LEVEL_STEMS[BinaryFiles::LEVEL_COUNT] = {
    // beginner, levels 0-26
    "square22", "recctangle23", "2squares22", "recctangle24", "recctangle42", "spiner",
    "4x2with2ontop", "4x4cross", "rectangle43", "square44_without2corners", "square44_with2holes",
    "square44", "45small2", "bell46", "face", "mything", "rect45", "square44withtopbottomsadds",
    "rect82withaddons", "square44withverticalshift", "45timeglass", "flower", "rectangle64",
    "66cross", "face2", "rect82horizontalcross", "diamond66",
    // letters, levels 27-52
    "i", "j", "l", "t", "c", "f", "v", "k", "a", "d", "h", "u", "e", "o", "s", "g", "r", "b", "q",
    "z", "n", "p", "y", "x", "m", "w",
    // things, levels 53-84
    "dog", "lama", "axe", "note", "giraffe", "camel", "yacht", "elephant", "mice", "ship",
    "battery", "glass", "alladin_lamp", "house", "plane", "robot", "chopper", "castle", "smiley",
    "train", "oldship", "owl", "building", "spider", "crown", "monster", "amedusa", "car", "key",
    "lock", "fish", "tank",
    // shapes, levels 85-109
    "upperleft", "plus-minus", "goingup", "square66", "swirl", "upperright", "double", "goingdown",
    "larger", "diagonal", "thing", "circlehalf", "star", "moon", "diagonal2", "something_01",
    "rectanglelike", "largecross", "crossonsquare", "empty_caro", "xlike",
    "circle_processed_extreme", "thing2_processed_extreme", "differentcross", "square88",
    // games, levels 110-145
    "06_timer", "07_bomb", "07_coin", "07_gem", "07_diamond", "07_quaddamage", "07_tank",
    "10_lifes", "09_guitarsuperhero", "09_portableconsole", "07_battery00full", "09_battery00half",
    "10_battery02empty", "09_potionhealth", "09_potionmana", "09_joystick", "09_mouse",
    "11_gamepad", "10_cd", "10_dvd", "09_bluerei", "10_pleasewait", "10_pleasewait2",
    "10_pleasewait3", "11_medkit", "11_monitor", "12_crosshair", "14_loading00", "16_loading50",
    "13_loadin100", "12_floppy25", "13_cartridge", "12_bug", "13_powerbutton", "11_spaceinvader",
    "14_spaceinvader2",
    // helloween, levels 146-165
    "00_fullmoon", "00_whitchhat", "04_candy", "01_bat", "99_scythe", "02_cat", "99_skullbones",
    "99_pumpkinhappy", "99_pumpkinvampire", "99_pumpkinworried", "03_smallpumpkin", "11_rest",
    "12_in", "13_peace", "99_graves", "99_ghost", "99_coffin", "99_creepy_castle", "99_skull",
    "99_cat",
    // zombie, levels 166-199
    "0501_shotgun", "0601_zombie_walk", "0701_head_and_spine", "0701_zombie_weaking_up",
    "0801_necromancer_staff", "0802_grenade", "0901_decapitated_head", "0901_rip",
    "0902_molotovs_coctail", "1001_c4", "1001_first_aid_kit", "1001_flamer",
    "1001_headless_zombie", "1001_skeleton_head", "1002_graveyard", "1002_luger", "1002_uzi",
    "1101_ambulance", "1101_axe_head_zombie", "1102_nuklear_apocalypse", "1201_mummified_head",
    "1201_zombie_dog", "1202_braIN", "1202_headshot", "1203_bone", "1205_chainsaw",
    "1301_zombie_cat", "1302_skull", "1304_tank", "1401_hand", "1402_zombie_head",
    "1404_fat_zombie", "1405_devil", "1610_barricaded_doors",
};

} // namespace

const char* const BinaryFiles::PACK_FOLDERS[PACK_COUNT] = {
    "beginner", "letters", "things", "shapes", "games", "helloween", "zombie",
};

std::string BinaryFiles::files[LEVEL_COUNT];

void BinaryFiles::Init()
{
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        int pack = PackOfLevel(level);
        files[level] = std::string(PACK_FOLDERS[pack]) + "/" + LEVEL_STEMS[level] + ".bin";
    }
}

int BinaryFiles::PackOfLevel(int level)
{
    for (int pack = 0; pack < PACK_COUNT; ++pack)
        if (level >= PACK_FIRST[pack] && level < PACK_FIRST[pack] + PACK_SIZES[pack])
            return pack;
    return -1;
}
