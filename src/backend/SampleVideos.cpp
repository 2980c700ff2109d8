#include "src/backend/SampleCatalogueData.h"

#include <cstddef>
#include <cstdint>

namespace vexa::sample {

namespace {

using Category = SegmentCategory;

struct Row {
    char const* id;
    size_t owner; // position in the channel list
    char const* title;
    char const* dearrow_title { nullptr };
    uint64_t views { 0 };
    char const* published { "" };
    uint32_t duration { 0 };
    char const* description { "" };
    uint64_t likes { 0 };
    char const* category { "" };
    std::vector<Segment> sponsor;
    std::vector<Comment> comments;
};

Segment segment(Category category, double start, double end, int64_t votes)
{
    return Segment { category, start, end, votes };
}

Comment comment(char const* author, char const* initials, char const* text, uint64_t likes, char const* time_ago)
{
    Comment made;
    made.author = author;
    made.initials = initials;
    made.text = text;
    made.likes = likes;
    made.time_ago = time_ago;
    return made;
}

std::vector<Row> rows()
{
    std::vector<Row> rows;
    rows.push_back(Row {
        .id = "vid_moon_base",
        .owner = 1,
        .title = "I Built a MOON BASE in My Garage!!! (NASA Won't Believe This)",
        .dearrow_title = "Building a scale model of a lunar habitat",
        .views = 4'812'000,
        .published = "3 days ago",
        .duration = 1725,
        .description = "A cardboard, foam and aluminium model of a lunar habitat, built to scale over six weekends.",
        .likes = 212'000,
        .category = "Science",
        .sponsor = {
            segment(Category::Intro, 0, 18, 412),
            segment(Category::Sponsor, 1440, 1570, 1893),
            segment(Category::Interaction, 540, 552, 233),
            segment(Category::Outro, 1565, 1620, 301),
        },
        .comments = {
            comment("@stargazer42", "SG", "The airlock hinge is genius.", 1840, "2 days ago"),
            comment("@rocketmum", "RM", "My kids watched this three times in a row.", 960, "2 days ago"),
            comment("@lunar_dust", "LD", "Would love a follow-up on the lighting rig.", 412, "1 day ago"),
            comment("@foamcutter", "FC", "What glue held the foam panels together?", 77, "20 hours ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_solder",
        .owner = 2,
        .title = "Why EVERYONE Solders WRONG (You Won't Believe #3!)",
        .dearrow_title = "Five common soldering mistakes and how to avoid them",
        .views = 1'930'000,
        .published = "5 days ago",
        .duration = 1312,
        .description = "Cold joints, too much flux and the other habits that ruin a board, shown under a microscope.",
        .likes = 88'000,
        .category = "Technology",
        .sponsor = {
            segment(Category::SelfPromo, 30, 62, 140),
            segment(Category::Sponsor, 240, 310, 655),
            segment(Category::Outro, 1250, 1312, 98),
        },
        .comments = {
            comment("@flux_capacitor", "FC", "Guilty of mistake number two for years.", 2210, "4 days ago"),
            comment("@oldradio", "OR", "The microscope shots are fantastic.", 530, "3 days ago"),
            comment("@tin_whisker", "TW", "Which iron tip do you use for SMD work?", 64, "2 days ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_donut",
        .owner = 0,
        .title = "The ONLY Donut Recipe You'll EVER Need!!! (Bakeries HATE This)",
        .views = 2'640'000,
        .published = "1 week ago",
        .duration = 845,
        .description = "Yeasted donuts from one bowl, proofed overnight and fried at 175 degrees.",
        .likes = 131'000,
        .category = "Food",
        .sponsor = {
            segment(Category::Intro, 0, 12, 86),
            segment(Category::Filler, 400, 455, 41),
        },
        .comments = {
            comment("@sugarcoat", "SC", "Made these last night, they vanished in minutes.", 3120, "6 days ago"),
            comment("@dough_boy", "DB", "Overnight proof is the real secret.", 780, "5 days ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_ridge_walk",
        .owner = 3,
        .title = "We Almost DIDN'T MAKE IT Off This Ridge... (Terrifying!)",
        .dearrow_title = "A two-day walk along an exposed mountain ridge",
        .views = 985'000,
        .published = "2 weeks ago",
        .duration = 2210,
        .description = "Two days on a high ridge trail, a hut night and a fast descent ahead of a storm.",
        .likes = 41'500,
        .category = "Travel",
        .sponsor = {
            segment(Category::Preview, 0, 45, 120),
            segment(Category::Sponsor, 600, 690, 402),
            segment(Category::Outro, 2150, 2210, 57),
        },
        .comments = {
            comment("@hutbooker", "HB", "That sunrise at the hut was unreal.", 640, "1 week ago"),
            comment("@switchback", "SB", "Which map did you use for the second day?", 95, "1 week ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_speedrun",
        .owner = 4,
        .title = "This SPEEDRUN Broke the Game FOREVER!!! (World Record?!)",
        .views = 731'000,
        .published = "3 weeks ago",
        .duration = 4020,
        .description = "A full commentary of a route that skips half of the game through one clipped wall.",
        .likes = 36'200,
        .category = "Gaming",
        .sponsor = {
            segment(Category::Intro, 0, 25, 71),
            segment(Category::MusicOfftopic, 1800, 1920, 33),
            segment(Category::Interaction, 3000, 3015, 48),
        },
        .comments = {
            comment("@frame_perfect", "FP", "The wall clip at 41 minutes is absurd.", 1450, "2 weeks ago"),
            comment("@any_percent", "AP", "Commentary made this so easy to follow.", 310, "2 weeks ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_bass_line",
        .owner = 5,
        .title = "This ONE Bass Line Changed Music FOREVER (Nobody Talks About It!)",
        .views = 412'000,
        .published = "1 month ago",
        .duration = 262,
        .description = "A short look at a syncopated bass line and the records that borrowed it.",
        .likes = 19'800,
        .category = "Music",
        .sponsor = {},
        .comments = {
            comment("@lowend", "LE", "Played along on my four-string, so good.", 220, "3 weeks ago"),
            comment("@metronome", "MT", "More of these short breakdowns please.", 85, "3 weeks ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_black_hole",
        .owner = 1,
        .title = "What's REALLY Inside a Black Hole?! (Scientists Are SHOCKED)",
        .dearrow_title = "What happens to matter that falls into a black hole",
        .views = 6'205'000,
        .published = "1 month ago",
        .duration = 1485,
        .description = "Event horizons, spaghettification and what we can and cannot know, with a rubber-sheet model.",
        .likes = 301'000,
        .category = "Science",
        .sponsor = {
            segment(Category::Sponsor, 120, 200, 1204),
            segment(Category::Filler, 900, 960, 62),
        },
        .comments = {
            comment("@event_horizon", "EH", "The rubber-sheet demo finally made it click.", 4100, "4 weeks ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_retro_pc",
        .owner = 2,
        .title = "I Found a 1980s PC in the TRASH and It STILL WORKS!!!",
        .views = 1'240'000,
        .published = "5 weeks ago",
        .duration = 1964,
        .description = "Cleaning, recapping and booting a home computer found beside a skip.",
        .likes = 67'400,
        .category = "Technology",
        .sponsor = {
            segment(Category::SelfPromo, 1900, 1964, 112),
            segment(Category::Intro, 0, 20, 90),
        },
        .comments = {
            comment("@capacitor_plague", "CP", "Recapping montage was oddly relaxing.", 890, "1 month ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_comet",
        .owner = 1,
        .title = "A COMET Is Coming and NOBODY Is Talking About It!!!",
        .dearrow_title = "How to spot this year's visible comet",
        .views = 3'377'000,
        .published = "6 weeks ago",
        .duration = 1102,
        .description = "When and where to look, which binoculars help, and why comets grow tails.",
        .likes = 158'000,
        .category = "Science",
        .sponsor = {
            segment(Category::Preview, 0, 30, 210),
            segment(Category::Interaction, 700, 710, 88),
        },
        .comments = {
            comment("@darksky", "DS", "Saw it last night from the hills, thank you!", 2600, "1 month ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_keyboard",
        .owner = 2,
        .title = "This $5 Keyboard Mod Is INSANE (Try It NOW!)",
        .views = 864'000,
        .published = "7 weeks ago",
        .duration = 734,
        .description = "Lubing stabilisers and adding foam to a cheap mechanical keyboard.",
        .likes = 40'900,
        .category = "Technology",
        .sponsor = {
            segment(Category::Sponsor, 60, 125, 377),
        },
        .comments = {
            comment("@thocky", "TH", "The before and after sound test sold me.", 720, "1 month ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_pixel_art",
        .owner = 4,
        .title = "I Drew EVERY Game Hero... in 8 PIXELS?! (Impossible Challenge)",
        .views = 522'000,
        .published = "2 months ago",
        .duration = 1380,
        .description = "How much of a character survives at eight by eight pixels, with a palette of four colours.",
        .likes = 27'300,
        .category = "Gaming",
        .sponsor = {
            segment(Category::Outro, 1320, 1380, 45),
            segment(Category::SelfPromo, 15, 40, 66),
        },
        .comments = {
            comment("@palette_swap", "PS", "The four-colour limit is such a fun constraint.", 350, "1 month ago"),
        },
    });
    rows.push_back(Row {
        .id = "vid_night_train",
        .owner = 3,
        .title = "24 HOURS on Europe's CRAZIEST Night Train!!! (Not What We Expected)",
        .dearrow_title = "A full day aboard an overnight sleeper train",
        .views = 1'577'000,
        .published = "2 months ago",
        .duration = 3725,
        .description = "From a late departure to a border crossing at dawn, in a six-berth couchette.",
        .likes = 72'100,
        .category = "Travel",
        .sponsor = {
            segment(Category::Intro, 0, 35, 130),
            segment(Category::Sponsor, 400, 480, 512),
            segment(Category::MusicOfftopic, 3600, 3725, 27),
        },
        .comments = {
            comment("@couchette", "CO", "The border crossing at dawn looked magical.", 1010, "1 month ago"),
        },
    });
    return rows;
}

}

std::vector<Video> videos(std::vector<Channel> const& owners)
{
    std::vector<Video> made;
    for (auto& row : rows()) {
        // The positions above are fixed and always name one of the catalogue's channels.
        if (row.owner >= owners.size())
            continue;
        auto const& owner = owners[row.owner];
        Video video;
        video.id = row.id;
        video.title = row.title;
        if (row.dearrow_title)
            video.dearrow_title = row.dearrow_title;
        video.channel_id = owner.id;
        video.channel_name = owner.name;
        video.channel_seed = owner.seed;
        video.views = row.views;
        video.published = row.published;
        video.duration = row.duration;
        video.description = row.description;
        video.likes = row.likes;
        video.seed = row.id;
        video.category = row.category;
        video.dearrow_thumb = row.dearrow_title != nullptr;
        video.sponsor = std::move(row.sponsor);
        video.comments = std::move(row.comments);
        made.push_back(std::move(video));
    }
    return made;
}

}
